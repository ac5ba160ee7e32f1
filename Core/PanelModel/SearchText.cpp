#include "Core/PanelModel/SearchText.h"

#include <locale.h>
#include <wctype.h>

#include <optional>

#include "Shared/UTF8.h"

namespace SearchText {
namespace {

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
std::optional<UTF8Character> decodeLast(std::string_view text) {
    for (std::size_t length = 1; length <= 4 && length <= text.size(); ++length) {
        const auto decoded = decodeUTF8(text, text.size() - length);
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
    while (const auto first = decodeUTF8(text, 0)) {
        if (!isBlank(first->codePoint)) break;
        text.remove_prefix(first->length);
    }
    while (const auto last = decodeLast(text)) {
        if (!isBlank(last->codePoint)) break;
        text.remove_suffix(last->length);
    }
    return text;
}

std::string lowercased(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto decoded = decodeUTF8(text, 0);
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
