#pragma once
// Small text helpers shared by the scan parsers and the project rules. Strict on purpose: tool output
// is read field by field, and anything that is not exactly a number is no number.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace ScanText {

// Calls `visit(piece)` for every non-empty piece between `separator`s, in order.
template <typename Visit>
void forEachPiece(std::string_view text, char separator, Visit&& visit) {
    while (!text.empty()) {
        const auto end = text.find(separator);
        const auto piece = text.substr(0, end);
        if (!piece.empty()) visit(piece);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

// Calls `visit(line)` for every non-empty line between line feeds.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit) {
    forEachPiece(text, '\n', visit);
}

// Calls `visit(component)` for every non-empty component between "/" separators.
template <typename Visit>
void forEachPathComponent(std::string_view path, Visit&& visit) {
    forEachPiece(path, '/', visit);
}

std::string_view trimSpacesAndTabs(std::string_view text);

namespace Detail {

// The forms tools print nearly every number in, read without a call from the parsers' inner
// loops: plain digits too few to overflow, and digits with at most one point between them (fifteen
// digits at most, so that the digits and the power of ten below them are exact doubles and one
// division rounds correctly, to what the full reading gives). No value for anything else, which
// the full readings below then take.
template <typename Integer>
inline std::optional<Integer> plainDigits(std::string_view text) {
    if (text.empty() || text.size() > std::size_t{std::numeric_limits<Integer>::digits10}) return std::nullopt;
    Integer value = 0;
    for (const char character : text) {
        if (character < '0' || character > '9') return std::nullopt;
        value = static_cast<Integer>(value * 10 + (character - '0'));
    }
    return value;
}

inline std::optional<double> plainDecimal(std::string_view text) {
    static constexpr double powersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (text.empty() || text.size() > 16) return std::nullopt;
    std::int64_t digits = 0;
    std::size_t point = text.size();
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char character = text[index];
        if (character >= '0' && character <= '9') {
            digits = digits * 10 + (character - '0');
        } else if (character == '.' && point == text.size() && index > 0 && index + 1 < text.size()) {
            point = index;
        } else {
            return std::nullopt;
        }
    }
    const std::size_t fractionDigits = point == text.size() ? 0 : text.size() - point - 1;
    if (text.size() - (point == text.size() ? 0 : 1) > 15) return std::nullopt;
    return static_cast<double>(digits) / powersOfTen[fractionDigits];
}

std::optional<std::int64_t> fullInt64(std::string_view text);
std::optional<std::int32_t> fullInt32(std::string_view text);
std::optional<double> fullFiniteDouble(std::string_view text);

}  // namespace Detail

// ASCII digits with an optional leading "+" or "-" and nothing else; no value when the number does
// not fit the type.
inline std::optional<std::int64_t> parseInt64(std::string_view text) {
    if (const auto value = Detail::plainDigits<std::int64_t>(text)) return value;
    return Detail::fullInt64(text);
}
inline std::optional<std::int32_t> parseInt32(std::string_view text) {
    if (const auto value = Detail::plainDigits<std::int32_t>(text)) return value;
    return Detail::fullInt32(text);
}

// A decimal floating-point number (optional sign, digits, point, exponent) that is finite; "inf",
// "nan", hexadecimal forms and out-of-range values give no value.
inline std::optional<double> parseFiniteDouble(std::string_view text) {
    if (const auto value = Detail::plainDecimal(text)) return value;
    return Detail::fullFiniteDouble(text);
}

// The text after the last "/", trailing "/"s ignored; "/" for a path made only of "/"s.
std::string_view lastPathComponent(std::string_view path);

// The path without one trailing "/", if it has one ("/" gives the empty text).
std::string_view withoutOneTrailingSlash(std::string_view path);

// Whether any non-empty component between "/"s begins with ".".
bool hasHiddenComponent(std::string_view path);

// The bytes behind a name as `lsof -F` prints it in the C locale. lsof shows a backslash as "\\", a
// byte outside printable ASCII as "\xNN" (two hex digits) and some control bytes as "\b", "\f",
// "\n", "\r" or "\t"; since the backslash itself is escaped, these forms are undone exactly. Not
// undone: lsof's "^X" form of the other control bytes, because it leaves a literal "^" as it is, so
// "^A" may as well be those two characters. A backslash that starts none of these forms, or "\x00"
// (no name holds a NUL byte), is kept as text. The result may hold bytes that are not UTF-8.
std::string decodeLsofEscapes(std::string_view text);

}  // namespace ScanText
