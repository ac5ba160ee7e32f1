#pragma once
// The programs' texts are UTF-8 throughout, and so must be the C library's idea of characters: Xlib
// converts window titles to WM_NAME through it, and under the POSIX locale (no LANG, as a service or
// a container starts us) it would store the UTF-8 bytes of "Vellumark · …" as Latin-1 text.

namespace Platform {

// Call once the process locale has been taken from the environment (QApplication does that). Leaves a
// UTF-8 character type as it is; otherwise switches LC_CTYPE alone to C.UTF-8, which every glibc
// system has. Numbers, dates and messages keep the user's locale. Returns whether characters are
// UTF-8 afterwards.
bool useUTF8Characters();

}  // namespace Platform
