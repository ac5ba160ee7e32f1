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

// Plain digits too few to overflow, the form tools print nearly every integer in, read without a
// call from the parsers' inner loops. No value for anything else, which the full reading takes.
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

std::optional<std::int64_t> fullInt64(std::string_view text);
std::optional<std::int32_t> fullInt32(std::string_view text);

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
std::optional<double> parseFiniteDouble(std::string_view text);

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
