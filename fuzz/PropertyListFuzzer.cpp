// Property lists, XML or binary, through both readers of such files: the user defaults (a settings
// file anyone can edit) and a launchd job's file (wherever `launchctl print` points).

#include <string>

#include "App/Launchd/JobPropertyList.h"
#include "Platform/UserDefaults.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    static const std::string file = Platform::userDefaultsFilePath(defaults.domain());
    static const bool folderMade = (defaults.set("made", true), true);
    (void)folderMade;

    fuzzing::replaceFile(file.c_str(), fuzzing::text(data, size));
    // Reading one key takes in the whole file; every kind of value is turned into ours.
    for (const char* key : {"a", "DisplayPrefs", "FilterRules", ""}) (void)defaults.object(key);
    (void)JobPropertyList::fileKeepsAlive(file);
    return 0;
}
