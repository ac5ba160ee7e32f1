#pragma once
// Dotted version numbers ("1.10.2") compared the way people read them: component by component, as
// whole numbers of any length (1.10 is newer than 1.9), a missing component counting as 0 (1.2 and
// 1.2.0 are the same version). Pure; any thread.

#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class VersionNumber {
public:
    // One or more runs of ASCII digits joined by single dots, nothing else; no value otherwise.
    static std::optional<VersionNumber> parse(std::string_view text);

    std::strong_ordering operator<=>(const VersionNumber& other) const;
    bool operator==(const VersionNumber& other) const { return (*this <=> other) == 0; }

private:
    std::vector<std::string> components_;  // digits without leading zeros ("" is 0)
};
