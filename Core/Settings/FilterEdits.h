#pragma once
// The Filters page's rules for changing FilterRules, apart from its widgets: what a port field
// accepts, how ports move between the ignored and the watched set, how folders are added and
// removed, and what the page says about a folder it refuses. Pure; any thread.
//
// A port is never ignored and watched at once through these edits: ignoring takes it out of the
// watched ports and watching takes it out of the ignored ports (the ignore would win in the scan).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/Settings/FilterRules.h"

namespace FilterEdits {

inline constexpr int nodeDebuggerPort = 9229;

// What a port field holds as a number: an optional "+" or "-" and digits, nothing else (no spaces
// trimmed; a value beyond 64 bits is no number). "Add" is enabled exactly when there is one,
// whether or not it is a port.
std::optional<std::int64_t> portNumber(std::string_view text);

// Whether the number is a TCP port, 1...65535.
bool isPort(std::int64_t number);

// Puts the port among the ignored ports and takes it out of the watched ones. False, with nothing
// changed, when the number is no port.
bool ignore(FilterRules& rules, std::int64_t port);

// Puts the port among the watched ports and takes it out of the ignored ones. False, with nothing
// changed, when the number is no port.
bool watch(FilterRules& rules, std::int64_t port);

// The known services whose port is not watched yet, in the table's order.
std::vector<FilterRules::KnownService> unwatchedServices(const FilterRules& rules);

// Appends the path unless the list holds it already; whether it was appended.
bool appendFolder(std::vector<std::string>& folders, const std::string& path);

// Removes every entry equal to the path.
void removeFolder(std::vector<std::string>& folders, std::string_view path);

// The folder the picker chose, as stored: without trailing "/"s. No value for "/" or nothing, which
// add nothing.
std::optional<std::string> chosenFolder(std::string path);

// What the page says when it refuses a folder for "Also watch", and the alert's title.
inline constexpr std::string_view rejectionTitle = "That folder wouldn’t change anything";
std::string_view rejectionMessage(FilterRules::IncludeRejection reason);

}  // namespace FilterEdits
