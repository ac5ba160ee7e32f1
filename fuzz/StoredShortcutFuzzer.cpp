// A shortcut stored under "GlobalShortcuts_<name>", read the way the registry reads it
// (readStoredShortcut): text that decodes gives a shortcut that can fire (a key code the hot-key
// service takes, no modifier bits beyond the five) and that, stored again, reads back the same;
// anything else (nested deeper than any shortcut, say), and any value that is not text, reads as no
// shortcut. Reading changes nothing.

#include <cstdint>
#include <limits>
#include <string>

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/StoredShortcut.h"
#include "Platform/JSONNesting.h"
#include "fuzz/FuzzSupport.h"

using GlobalShortcuts::Shortcut;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzzing::text(data, size));
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    const std::string key = std::string(GlobalShortcuts::userDefaultsKeyPrefix) + "fuzzed";
    const std::optional<Shortcut> decoded = Shortcut::fromJSONText(text);

    // The defaults keep text as C strings: one holding NUL is refused, the others stored as they are.
    if (text.find('\0') == std::string::npos) {
        FUZZ_EXPECT(defaults.set(key, text));
        FUZZ_EXPECT(GlobalShortcuts::readStoredShortcut(defaults, key) == decoded);
        FUZZ_EXPECT(defaults.string(key) == text);
    }
    FUZZ_EXPECT(defaults.set(key, Platform::UserDefaults::Data(data, data + size)));
    FUZZ_EXPECT(!GlobalShortcuts::readStoredShortcut(defaults, key));

    if (!decoded) return 0;
    FUZZ_EXPECT(!Platform::JSONNesting::isDeeperThan(text));
    FUZZ_EXPECT(decoded->carbonKeyCode >= 0 && decoded->carbonKeyCode <= std::numeric_limits<std::uint32_t>::max());
    FUZZ_EXPECT(decoded->carbonModifiers == GlobalShortcuts::normalizedCarbonModifiers(decoded->carbonModifiers));
    FUZZ_EXPECT(Shortcut::fromJSONText(decoded->jsonText()) == decoded);
    FUZZ_EXPECT(GlobalShortcuts::writeStoredShortcut(defaults, key, *decoded));
    FUZZ_EXPECT(GlobalShortcuts::readStoredShortcut(defaults, key) == decoded);
    FUZZ_EXPECT(defaults.string(key) == decoded->jsonText());
    return 0;
}
