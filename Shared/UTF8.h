#pragma once
// UTF-8 well-formedness: no stray continuation bytes, no overlong forms, no UTF-16 surrogates,
// nothing above U+10FFFF.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// One character read from UTF-8: its code point and the number of bytes it takes.
struct UTF8Character {
    char32_t codePoint = 0;
    std::size_t length = 0;
};

// The well-formed sequence that starts at `index`; none when the bytes there are ill-formed or
// `index` is at or past the end.
std::optional<UTF8Character> decodeUTF8(std::string_view bytes, std::size_t index);

// Whether the bytes are well-formed UTF-8 as a whole.
bool isValidUTF8(std::string_view bytes);

// Tool output as UTF-8 text even when a few bytes of it are not: a process may carry any bytes in its
// command line or folder name, and ps and lsof print them as they are. Rejecting the whole output
// for one such byte would hide every server of the machine, so each maximal ill-formed subpart (a
// byte that cannot start a sequence, or the valid start of a sequence that breaks off) becomes one
// U+FFFD, the way the Unicode standard recommends, and the bytes after it are read as they are.
// Well-formed input comes back unchanged.
std::string replacingInvalidUTF8(std::string_view bytes);
