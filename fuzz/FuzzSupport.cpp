#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "Platform/AtomicFile.h"

namespace fuzzing {
namespace {

namespace fs = std::filesystem;

fs::path& privateRoot() {
    static fs::path root;
    return root;
}

void removePrivateRoot() {
    std::error_code ignored;
    fs::remove_all(privateRoot(), ignored);
}

// Points HOME and the XDG folders at a fresh folder, on the RAM disk when there is one (every
// defaults write flushes its file to disk), removed when the program ends.
void usePrivateHome() {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "vellumark-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no private home for the fuzz target");
    privateRoot() = pattern;
    std::atexit(removePrivateRoot);
    const std::pair<const char*, const char*> folders[] = {
        {"HOME", "home"}, {"XDG_CONFIG_HOME", "home/.config"}, {"XDG_DATA_HOME", "home/.local/share"},
        {"XDG_RUNTIME_DIR", "run"}};
    for (const auto& [variable, folder] : folders) {
        const fs::path path = privateRoot() / folder;
        fs::create_directories(path);
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
        ::setenv(variable, path.c_str(), 1);
    }
}

}  // namespace

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

// libFuzzer calls it once, before the first input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::usePrivateHome();
    return 0;
}
