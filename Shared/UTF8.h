#pragma once
// UTF-8 well-formedness: no stray continuation bytes, no overlong forms, no UTF-16 surrogates,
// nothing above U+10FFFF.

#include <string>
#include <string_view>

// Whether the bytes are well-formed UTF-8 as a whole.
bool isValidUTF8(std::string_view bytes);

// Tool output as UTF-8 text even when a few bytes of it are not: a process may carry any bytes in its
// command line or folder name, and ps and lsof print them as they are. Rejecting the whole output
// for one such byte would hide every server of the machine, so each maximal ill-formed subpart (a
// byte that cannot start a sequence, or the valid start of a sequence that breaks off) becomes one
// U+FFFD, the way the Unicode standard recommends, and the bytes after it are read as they are.
// Well-formed input comes back unchanged.
std::string replacingInvalidUTF8(std::string_view bytes);
