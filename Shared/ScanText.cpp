#include "Shared/ScanText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace ScanText {

namespace {

bool startsWithDigit(std::string_view text) { return !text.empty() && text.front() >= '0' && text.front() <= '9'; }

// from_chars reads a "-" itself but not a "+"; accept one "+" that a digit follows.
std::string_view withoutPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    return text;
}

template <typename Integer>
std::optional<Integer> parseInteger(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const auto digits = negative ? text.substr(1) : withoutPlus(text);
    if (!startsWithDigit(digits)) return std::nullopt;
    const auto number = negative ? text : digits;
    Integer value{};
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || end != number.data() + number.size()) return std::nullopt;
    return value;
}

std::optional<int> hexDigitValue(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'a' && character <= 'f') return character - 'a' + 10;
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    return std::nullopt;
}

// The byte a "\x" form stands for, given the two characters after the "x".
std::optional<char> hexByte(std::string_view digits) {
    if (digits.size() < 2) return std::nullopt;
    const auto high = hexDigitValue(digits[0]), low = hexDigitValue(digits[1]);
    if (!high || !low || (*high == 0 && *low == 0)) return std::nullopt;
    return static_cast<char>(*high * 16 + *low);
}

std::optional<char> namedControlByte(char letter) {
    switch (letter) {
    case '\\': return '\\';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return std::nullopt;
    }
}

}  // namespace

std::string_view trimSpacesAndTabs(std::string_view text) {
    const auto blank = [](char character) { return character == ' ' || character == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

namespace Detail {

std::optional<std::int64_t> fullInt64(std::string_view text) { return parseInteger<std::int64_t>(text); }

std::optional<std::int32_t> fullInt32(std::string_view text) { return parseInteger<std::int32_t>(text); }

}  // namespace Detail

std::optional<double> parseFiniteDouble(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const auto unsignedPart = negative ? text.substr(1) : withoutPlus(text);
    // A digit or a point must lead, which keeps out "inf", "nan" and a second sign.
    if (unsignedPart.empty() || !(startsWithDigit(unsignedPart) || unsignedPart.front() == '.')) return std::nullopt;
    const auto number = negative ? text : unsignedPart;
    double value = 0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (error != std::errc{} || end != number.data() + number.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string_view lastPathComponent(std::string_view path) {
    const auto last = path.find_last_not_of('/');
    if (last == std::string_view::npos) return path.empty() ? path : std::string_view("/");
    path = path.substr(0, last + 1);
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view withoutOneTrailingSlash(std::string_view path) {
    if (!path.empty() && path.back() == '/') path.remove_suffix(1);
    return path;
}

bool hasHiddenComponent(std::string_view path) {
    // A component begins at the start or after a "/": a "." there is what makes one hidden.
    for (auto dot = path.find('.'); dot != std::string_view::npos; dot = path.find('.', dot + 1))
        if (dot == 0 || path[dot - 1] == '/') return true;
    return false;
}

std::string decodeLsofEscapes(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    std::size_t index = 0;
    while (index < text.size()) {
        const auto backslash = text.find('\\', index);
        decoded.append(text.substr(index, backslash - index));
        if (backslash == std::string_view::npos) break;
        const auto form = text.substr(backslash + 1);
        if (const auto hex = form.starts_with('x') ? hexByte(form.substr(1)) : std::nullopt) {
            decoded.push_back(*hex);
            index = backslash + 4;
        } else if (const auto named = form.empty() ? std::nullopt : namedControlByte(form.front())) {
            decoded.push_back(*named);
            index = backslash + 2;
        } else {
            decoded.push_back('\\');
            index = backslash + 1;
        }
    }
    return decoded;
}

std::string lsofEscaped(std::string_view bytes) {
    static constexpr char hexDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size());
    for (const char character : bytes) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            text.push_back(character);
            continue;
        }
        switch (byte) {
        case '\\': text += "\\\\"; break;
        case '\b': text += "\\b"; break;
        case '\f': text += "\\f"; break;
        case '\n': text += "\\n"; break;
        case '\r': text += "\\r"; break;
        case '\t': text += "\\t"; break;
        default:
            if (byte < 0x20) {
                text.push_back('^');
                text.push_back(static_cast<char>(byte + 0x40));
            } else {
                text += "\\x";
                text.push_back(hexDigits[byte >> 4]);
                text.push_back(hexDigits[byte & 0xf]);
            }
        }
    }
    return text;
}

}  // namespace ScanText
