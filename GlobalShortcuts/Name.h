#pragma once
// A named global shortcut: the name the application knows it by, which is also the suffix of its
// key in the standard user defaults ("GlobalShortcuts_<name>"), and the shortcut it starts with.
// Names compare by text alone: two Names with one text and different defaults are one entry.
//
// Main thread (making a Name with a default may store and register it).

#include <optional>
#include <string>

#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts {

struct Name {
    std::string rawValue;
    std::optional<Shortcut> defaultShortcut;

    // A name without a default; stores nothing.
    explicit Name(std::string rawValue);
    // When nothing at all is stored under the name yet (not even the false of a removed shortcut),
    // stores the default and registers it at once. A stored value is never overwritten.
    Name(std::string rawValue, std::optional<Shortcut> defaultShortcut);

    std::string userDefaultsKey() const;

    // The stored shortcut (never the default); see GlobalShortcuts.h.
    std::optional<Shortcut> shortcut() const;

    friend bool operator==(const Name& left, const Name& right) { return left.rawValue == right.rawValue; }
    friend bool operator<(const Name& left, const Name& right) { return left.rawValue < right.rawValue; }
};

inline constexpr const char* userDefaultsKeyPrefix = "GlobalShortcuts_";

}  // namespace GlobalShortcuts
