#include "Shared/JSONWriting.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <nlohmann/json.hpp>

#include "Shared/UTF8.h"

namespace JSONWriting {

namespace {

// The escape of a byte that cannot stand in a JSON string as it is, or an empty text.
std::string_view escapeOf(unsigned char byte, char (&buffer)[7]) {
    switch (byte) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\b': return "\\b";
    case '\f': return "\\f";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: break;
    }
    if (byte >= 0x20) return {};
    constexpr char hex[] = "0123456789abcdef";
    buffer[0] = '\\', buffer[1] = 'u', buffer[2] = '0', buffer[3] = '0';
    buffer[4] = hex[byte >> 4], buffer[5] = hex[byte & 0xF];
    return std::string_view(buffer, 6);
}

// Whether a JSON string holds the text as it is: printable ASCII, no quote, no backslash. A
// snapshot's texts are long paths and command lines, so eight bytes are looked at together, each
// test exact within its byte (nothing carries into the next one).
bool isPlain(std::string_view text) {
    constexpr std::uint64_t ones = 0x0101010101010101, high = 0x8080808080808080, low = ~high;
    const auto zeroBytes = [&](std::uint64_t word) { return ~(((word & low) + low) | word) & high; };
    std::size_t at = 0;
    for (std::uint64_t word = 0; text.size() - at >= sizeof word; at += sizeof word) {
        std::memcpy(&word, text.data() + at, sizeof word);
        const std::uint64_t control = ~((word & low) + ones * (0x80 - 0x20)) & high;  // below 0x20
        if (((word & high) | control | zeroBytes(word ^ (ones * '"')) | zeroBytes(word ^ (ones * '\\'))) != 0)
            return false;
    }
    const auto asIs = [](char c) { return c >= 0x20 && c != '"' && c != '\\' && static_cast<unsigned char>(c) < 0x80; };
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), asIs);
}

void appendExponent(std::string& out, int exponent) {
    out += exponent < 0 ? '-' : '+';
    exponent = std::abs(exponent);
    if (exponent < 10) out += '0';
    char digits[4];
    const auto end = std::to_chars(digits, digits + sizeof digits, exponent).ptr;
    out.append(digits, end);
}

}  // namespace

void appendString(std::string& out, std::string_view text) {
    // Most texts are plain ASCII with nothing to escape: those go in as they are.
    if (isPlain(text)) {
        out += '"';
        out += text;
        out += '"';
        return;
    }
    // The library's own replacement of ill-formed bytes, kept for the rare text that needs it.
    if (!isValidUTF8(text)) {
        out += nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return;
    }
    out += '"';
    std::size_t plain = 0;  // start of the bytes not yet copied
    char buffer[7];
    for (std::size_t index = 0; index < text.size(); ++index) {
        const auto escape = escapeOf(static_cast<unsigned char>(text[index]), buffer);
        if (escape.empty()) continue;
        out.append(text.substr(plain, index - plain));
        out.append(escape);
        plain = index + 1;
    }
    out.append(text.substr(plain));
    out += '"';
}

void appendInteger(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

namespace {

// The shortest digits that read back as `value` (finite, above 0), and where the point goes:
// value = 0.d1d2…dk × 10^n. A snapshot writes two loads per server, nearly always a few decimals
// of a modest number: those are read off value × 10^k when that is a whole number that divides
// back to the value exactly. Below 2^40 and with k up to 3, at most one whole number lies within
// the value's rounding interval at that scale, so it is the shortest reading too, as the general
// digit search below would find it.
std::string_view shortestDigits(double value, char (&digits)[24], int& n) {
    if (value < 0x1p40) {
        double scale = 1;
        for (int k = 0; k <= 3; ++k, scale *= 10) {
            const double scaled = value * scale;
            if (scaled != std::floor(scaled) || scaled / scale != value) continue;
            const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(scaled)).ptr;
            n = static_cast<int>(end - digits) - k;
            auto length = static_cast<std::size_t>(end - digits);
            while (digits[length - 1] == '0') --length;
            return std::string_view(digits, length);
        }
    }
    // The shortest digits as d.ddde±x, without the point.
    char scientific[32];
    const auto end =
        std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific).ptr;
    const std::string_view text(scientific, static_cast<std::size_t>(end - scientific));
    const auto e = text.find('e');
    std::size_t k = 0;
    for (const char character : text.substr(0, e))
        if (character != '.') digits[k++] = character;
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), end, exponent);
    n = exponent + 1;
    return std::string_view(digits, k);
}

}  // namespace

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    if (std::signbit(value)) out += '-';
    value = std::fabs(value);
    if (value == 0) {
        out += "0.0";
        return;
    }
    // Digits d1..dk with the point after n of them.
    char buffer[24];
    int n = 0;
    const auto all = shortestDigits(value, buffer, n);
    const int k = static_cast<int>(all.size());

    constexpr int lowest = -4, highest = 15;  // outside (10^-5, 10^15]: exponent notation
    if (k <= n && n <= highest) {
        out.append(all);
        out.append(static_cast<std::size_t>(n - k), '0');
        out += ".0";
    } else if (0 < n && n <= highest) {
        out.append(all.substr(0, static_cast<std::size_t>(n)));
        out += '.';
        out.append(all.substr(static_cast<std::size_t>(n)));
    } else if (lowest < n && n <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-n), '0');
        out.append(all);
    } else {
        out += all.front();
        if (k > 1) {
            out += '.';
            out.append(all.substr(1));
        }
        out += 'e';
        appendExponent(out, n - 1);
    }
}

void appendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

}  // namespace JSONWriting
