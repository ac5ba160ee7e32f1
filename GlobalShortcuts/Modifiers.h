#pragma once
// Modifier keys in their two encodings: the Carbon modifier mask, which shortcuts are stored with,
// and the modifier flags the rest of the module works with (the desktop's flag values). Only
// Control, Option, Shift, Command and Function exist for shortcuts; every other bit is dropped by
// either conversion, so a round trip (normalising) leaves a clean mask.
//
// On Linux Command is the Super key and Option is Alt. Plain values; any thread.

#include <cstdint>
#include <string>

namespace GlobalShortcuts {

namespace CarbonModifiers {
inline constexpr std::int64_t command = 256;
inline constexpr std::int64_t shift = 512;
inline constexpr std::int64_t option = 2048;
inline constexpr std::int64_t control = 4096;
inline constexpr std::int64_t function = 131072;
}  // namespace CarbonModifiers

struct ModifierFlags {
    static constexpr std::uint64_t shift = 0x20000;
    static constexpr std::uint64_t control = 0x40000;
    static constexpr std::uint64_t option = 0x80000;
    static constexpr std::uint64_t command = 0x100000;
    static constexpr std::uint64_t function = 0x800000;

    std::uint64_t rawValue = 0;

    constexpr bool contains(std::uint64_t flag) const { return (rawValue & flag) == flag; }
    friend constexpr bool operator==(ModifierFlags, ModifierFlags) = default;

    // The Carbon mask of these flags; other flags are dropped.
    std::int64_t carbon() const;
    // The flags of a Carbon mask; other bits are dropped.
    static ModifierFlags fromCarbon(std::int64_t mask);
    // "⌃⌥⇧⌘🌐︎" for the flags present, always in that order.
    std::string symbolicRepresentation() const;
};

// One round trip, Carbon to flags to Carbon.
std::int64_t normalizedCarbonModifiers(std::int64_t mask);

}  // namespace GlobalShortcuts
