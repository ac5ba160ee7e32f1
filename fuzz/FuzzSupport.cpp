#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "Platform/AtomicFile.h"
#include "support/TempHome.h"

namespace fuzzing {

void replaceFile(const char* path, std::string_view bytes) {
    if (auto error = Platform::writeFileAtomically(path, bytes)) {
        std::fprintf(stderr, "fuzz target: cannot write %s: %s\n", path, error->c_str());
        std::abort();
    }
}

void broken(const char* promise, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: promise broken: %s\n", file, line, promise);
    std::abort();
}

}  // namespace fuzzing

// libFuzzer calls it once, before the first input: HOME and the XDG folders in a fresh folder, on
// the RAM disk when there is one (every defaults write flushes its file to disk), removed at exit.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    namespace fs = std::filesystem;
    static const testing_support::TempHome home(fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path());
    return 0;
}
