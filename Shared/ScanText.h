#pragma once
// Small text helpers shared by the scan parsers and the project rules. Strict on purpose: tool output
// is read field by field, and anything that is not exactly a number is no number.

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace Detail {

// Bit i set where block[i] is a line feed, for the 64 bytes at `block`.
inline std::uint64_t lineFeedBits(const char* block) {
    std::uint64_t bits = 0;
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
        const auto found = static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed)));
        bits |= std::uint64_t{found} << (16 * part);
    }
#else
    for (int at = 0; at < 64; ++at) bits |= std::uint64_t{block[at] == '\n'} << at;
#endif
    return bits;
}

}  // namespace Detail

// Calls `visit(line)` for every non-empty line between line feeds. Tool output has a line for every
// process, most of them a few bytes long, so the line feeds are found 64 bytes at a time (compared
// at once where the processor can) and the last bytes with a search; `visit` is called from one
// place, so that the compiler may build it into the loop.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit) {
    const char* start = text.data();  // of the line being read
    const char* const end = text.data() + text.size();
    const char* next = text.data();  // the first byte not looked at yet
    const char* block = next;
    std::uint64_t lineFeeds = 0;  // those of `block` not reached yet, as bits
    for (;;) {
        const char* lineEnd = end;
        if (lineFeeds != 0) {
            lineEnd = block + std::countr_zero(lineFeeds);
            lineFeeds &= lineFeeds - 1;
        } else if (end - next >= 64) {
            block = next;
            lineFeeds = Detail::lineFeedBits(block);
            next += 64;
            continue;
        } else if (const void* found = next == end  // an empty view's data may be null, never memchr's
                                           ? nullptr
                                           : std::memchr(next, '\n', static_cast<std::size_t>(end - next))) {
            lineEnd = static_cast<const char*>(found);
            next = lineEnd + 1;
        }
        if (lineEnd != start) visit(std::string_view(start, static_cast<std::size_t>(lineEnd - start)));
        if (lineEnd == end) break;
        start = lineEnd + 1;
    }
}

std::string_view trimSpacesAndTabs(std::string_view text);

namespace Detail {

// Plain digits too few to overflow, the form tools print nearly every integer in, read without a
// call from the parsers' inner loops. False for anything else, which the full reading takes. The
// value goes out through a reference: an optional built here and copied out would be written in two
// pieces and read back in one, which stalls the processor on every line.
template <typename Integer>
inline bool plainDigits(std::string_view text, Integer& value) {
    if (text.empty() || text.size() > std::size_t{std::numeric_limits<Integer>::digits10}) return false;
    Integer number = 0;
    for (const char character : text) {
        if (character < '0' || character > '9') return false;
        number = static_cast<Integer>(number * 10 + (character - '0'));
    }
    value = number;
    return true;
}

std::optional<std::int64_t> fullInt64(std::string_view text);
std::optional<std::int32_t> fullInt32(std::string_view text);

}  // namespace Detail

// ASCII digits with an optional leading "+" or "-" and nothing else; no value when the number does
// not fit the type.
inline std::optional<std::int64_t> parseInt64(std::string_view text) {
    std::int64_t value = 0;
    if (Detail::plainDigits(text, value)) return value;
    return Detail::fullInt64(text);
}
inline std::optional<std::int32_t> parseInt32(std::string_view text) {
    std::int32_t value = 0;
    if (Detail::plainDigits(text, value)) return value;
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

// A name's bytes as `lsof -F` prints them in the C locale, so that text made without lsof reads like
// its output: "\\" for a backslash, "\b", "\f", "\n", "\r" and "\t", "^" and a letter (or one of
// "@[\\]^_") for the other control bytes, and "\xNN" (lower-case hex) for DEL and every byte above
// ASCII; everything else as it is. decodeLsofEscapes undoes all but the "^" forms, as it does lsof's.
std::string lsofEscaped(std::string_view bytes);

}  // namespace ScanText
