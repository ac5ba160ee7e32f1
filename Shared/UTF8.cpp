#include "Shared/UTF8.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed sequence at `index`, or 0 when it is ill-formed; `consumed` then tells
// how many bytes make up the ill-formed part (at least one).
std::size_t sequenceLength(std::string_view bytes, std::size_t index, std::size_t& consumed) {
    const auto byteAt = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const unsigned char lead = byteAt(index);
    consumed = 1;
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    for (std::size_t next = 1; next < length; ++next) {
        if (index + next >= bytes.size()) return 0;
        const unsigned char byte = byteAt(index + next);
        const bool fits = next == 1 ? (byte >= low && byte <= high) : (byte & 0xC0) == 0x80;
        if (!fits) return 0;
        consumed = next + 1;
    }
    return length;
}

}  // namespace

std::optional<UTF8Character> decodeUTF8(std::string_view bytes, std::size_t index) {
    if (index >= bytes.size()) return std::nullopt;
    std::size_t consumed = 0;
    const std::size_t length = sequenceLength(bytes, index, consumed);
    if (length == 0) return std::nullopt;
    const auto byteAt = [&](std::size_t at) { return static_cast<unsigned char>(bytes[index + at]); };
    // The lead byte keeps 7, 5, 4 or 3 bits of the value; each continuation byte adds 6.
    static constexpr unsigned char leadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t value = byteAt(0) & leadBits[length];
    for (std::size_t next = 1; next < length; ++next) value = (value << 6) | (byteAt(next) & 0x3F);
    return UTF8Character{value, length};
}

bool isValidUTF8(std::string_view bytes) {
    std::size_t index = 0, consumed = 0;
    while (index < bytes.size()) {
        if (static_cast<unsigned char>(bytes[index]) < 0x80) {
            // Most tool output is ASCII, megabytes of it from ps on a busy machine: after an ASCII
            // byte, eight at a time while none has its high bit set.
            ++index;
            for (std::uint64_t word = 0; bytes.size() - index >= sizeof word; index += sizeof word) {
                std::memcpy(&word, bytes.data() + index, sizeof word);
                if ((word & 0x8080808080808080) != 0) break;
            }
            continue;
        }
        const auto length = sequenceLength(bytes, index, consumed);
        if (length == 0) return false;
        index += length;
    }
    return true;
}

std::string replacingInvalidUTF8(std::string_view bytes) {
    if (isValidUTF8(bytes)) return std::string(bytes);
    std::string text;
    text.reserve(bytes.size() + 16);
    std::size_t index = 0;
    while (index < bytes.size()) {
        std::size_t consumed = 0;
        if (const auto length = sequenceLength(bytes, index, consumed)) {
            text.append(bytes.substr(index, length));
            index += length;
        } else {
            text.append(replacementCharacter);
            index += consumed;
        }
    }
    return text;
}
