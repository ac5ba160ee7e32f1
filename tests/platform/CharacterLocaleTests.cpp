#include "Platform/CharacterLocale.h"

#include <gtest/gtest.h>
#include <langinfo.h>

#include <clocale>
#include <string>

namespace {

// The POSIX locale, as a process started with no LANG has it: characters become UTF-8, the rest of
// the locale stays as the user had it.
TEST(CharacterLocale, ThePOSIXLocaleGetsUTF8CharactersAndKeepsItsNumbers) {
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    ASSERT_STRNE(nl_langinfo(CODESET), "UTF-8");

    EXPECT_TRUE(Platform::useUTF8Characters());
    EXPECT_STREQ(nl_langinfo(CODESET), "UTF-8");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");

    // Already UTF-8: nothing changes.
    const std::string characters = std::setlocale(LC_CTYPE, nullptr);
    EXPECT_TRUE(Platform::useUTF8Characters());
    EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), characters);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
