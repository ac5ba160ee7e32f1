#include "Platform/CharacterLocale.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

namespace Platform {

namespace {

bool charactersAreUTF8() { return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0; }

}  // namespace

bool useUTF8Characters() {
    if (charactersAreUTF8()) return true;
    return std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr && charactersAreUTF8();
}

}  // namespace Platform
