#include "App/PanelModel/SearchText.h"

#include <locale.h>
#include <wctype.h>

#include <optional>

namespace SearchText {
namespace {

struct Decoded {
    char32_t codePoint;
    std::size_t length;
};

// One well-formed UTF-8 sequence at the start of `text`, or none.
std::optional<Decoded> decodeFirst(std::string_view text) {
    if (text.empty()) return std::nullopt;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return Decoded{lead, 1};
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) { length = 2; value = lead & 0x1F; minimum = 0x80; }
    else if ((lead & 0xF0) == 0xE0) { length = 3; value = lead & 0x0F; minimum = 0x800; }
    else if ((lead & 0xF8) == 0xF0) { length = 4; value = lead & 0x07; minimum = 0x10000; }
    else return std::nullopt;
    if (text.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    return Decoded{value, length};
}

void appendUTF8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isBlank(char32_t c) {
    // The tab and the space separators (Unicode category Zs).
    return c == U'\t' || c == U' ' || c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

// The last code point of `text` and its length, when the text ends in a well-formed sequence.
std::optional<Decoded> decodeLast(std::string_view text) {
    for (std::size_t length = 1; length <= 4 && length <= text.size(); ++length) {
        const auto decoded = decodeFirst(text.substr(text.size() - length));
        if (decoded && decoded->length == length) return decoded;
    }
    return std::nullopt;
}

// Case mapping by the C library's Unicode tables, independent of the user's own locale.
locale_t unicodeLocale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return made ? made : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

}  // namespace

std::string_view trimmingBlanks(std::string_view text) {
    while (const auto first = decodeFirst(text)) {
        if (!isBlank(first->codePoint)) break;
        text.remove_prefix(first->length);
    }
    while (const auto last = decodeLast(text)) {
        if (!isBlank(last->codePoint)) break;
        text.remove_suffix(last->length);
    }
    return text;
}

std::string_view trimmingSpacesAndTabs(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string lowercased(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto decoded = decodeFirst(text);
        if (!decoded) {
            out += text.front();
            text.remove_prefix(1);
            continue;
        }
        const char32_t c = decoded->codePoint;
        if (c < 0x80) {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        } else {
            const wint_t lower = towlower_l(static_cast<wint_t>(c), unicodeLocale());
            appendUTF8(out, static_cast<char32_t>(lower));
        }
        text.remove_prefix(decoded->length);
    }
    return out;
}

}  // namespace SearchText
