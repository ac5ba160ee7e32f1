#pragma once
// Small text helpers shared by the scan parsers and the project rules. Strict on purpose: tool output
// is read field by field, and anything that is not exactly a number is no number.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ScanText {

// Calls `visit(line)` for every non-empty line between line feeds.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto line = text.substr(0, end);
        if (!line.empty()) visit(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

// Calls `visit(component)` for every non-empty component between "/" separators.
template <typename Visit>
void forEachPathComponent(std::string_view path, Visit&& visit) {
    while (!path.empty()) {
        const auto end = path.find('/');
        const auto component = path.substr(0, end);
        if (!component.empty()) visit(component);
        if (end == std::string_view::npos) break;
        path.remove_prefix(end + 1);
    }
}

std::string_view trimSpacesAndTabs(std::string_view text);

// ASCII digits with an optional leading "+" or "-" and nothing else; no value when the number does
// not fit the type.
std::optional<std::int64_t> parseInt64(std::string_view text);
std::optional<std::int32_t> parseInt32(std::string_view text);

// A decimal floating-point number (optional sign, digits, point, exponent) that is finite; "inf",
// "nan", hexadecimal forms and out-of-range values give no value.
std::optional<double> parseFiniteDouble(std::string_view text);

// The text after the last "/", trailing "/"s ignored; "/" for a path made only of "/"s.
std::string_view lastPathComponent(std::string_view path);

}  // namespace ScanText
