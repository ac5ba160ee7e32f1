// Property lists, XML or binary, through both readers of such files: the user defaults (a settings
// file anyone can edit) and a launchd job's file (wherever `launchctl print` points). A settings
// file the defaults cannot read is moved aside with its bytes as they were, never lost; so is the
// same file grown past the size settings can have (sparse, so it costs no disk).

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Core/Launchd/JobPropertyList.h"
#include "Platform/UserDefaults.h"
#include "fuzz/FuzzSupport.h"

namespace {

namespace fs = std::filesystem;

// Reads the domain's file as every reader does, and checks that it stayed or went aside whole (its
// size, and the input at its start); the asides are removed, so the runs do not fill the disk.
void readThrough(Platform::UserDefaults& defaults, const fs::path& file, std::string_view input, std::uintmax_t size) {
    for (const char* key : {"a", "DisplayPrefs", "FilterRules", ""}) (void)defaults.object(key);
    std::size_t asides = 0;
    for (const auto& entry : fs::directory_iterator(file.parent_path())) {
        if (!entry.path().filename().string().starts_with(file.filename().string() + ".corrupt-")) continue;
        ++asides;
        std::string start(input.size(), '\0');
        std::ifstream(entry.path(), std::ios::binary).read(start.data(), static_cast<std::streamsize>(start.size()));
        FUZZ_EXPECT(fs::file_size(entry.path()) == size && start == input);
        fs::remove(entry.path());
    }
    FUZZ_EXPECT(asides == (fs::exists(file) ? 0u : 1u));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    static const fs::path file = Platform::userDefaultsFilePath(defaults.domain());
    static const bool folderMade = (defaults.set("made", true), true);
    (void)folderMade;

    fuzzing::replaceFile(file.c_str(), fuzzing::text(data, size));
    (void)JobPropertyList::fileKeepsAlive(file);
    // Reading one key takes in the whole file; every kind of value is turned into ours.
    readThrough(defaults, file, fuzzing::text(data, size), size);

    fuzzing::replaceFile(file.c_str(), fuzzing::text(data, size));
    ::truncate(file.c_str(), Platform::UserDefaults::maximumFileSize + 1);
    readThrough(defaults, file, fuzzing::text(data, size), Platform::UserDefaults::maximumFileSize + 1);
    FUZZ_EXPECT(!fs::exists(file));
    return 0;
}
