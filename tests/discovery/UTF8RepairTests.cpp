#include <gtest/gtest.h>

#include <string>

#include "Shared/UTF8.h"

namespace {

TEST(UTF8Repair, WellFormedTextStaysAndEachIllFormedPartBecomesOneReplacementCharacter) {
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80"},
        {std::string("nul\0inside", 10), std::string("nul\0inside", 10)},
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},                  // the last code point
        {"a\xFF" "b", "a" + r + "b"},                              // a byte that starts nothing
        {"caf\xE9 ok", "caf" + r + " ok"},                         // Latin-1 text
        {"\x80\x80", r + r},                                       // stray continuations
        {"\xE2\x82" "A", r + "A"},                                 // broken off
        {"end \xF0\x9F\x98", "end " + r},                          // cut at the end
        {"\xC0\xAF", r + r},                                       // overlong
        {"\xED\xA0\x80", r + r + r},                               // a surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},                       // above U+10FFFF
        {"\xE2\x82\xAC\xE2\x82", "\xE2\x82\xAC" + r},              // good, then cut
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(replacingInvalidUTF8(input), expected) << testing::PrintToString(input);
    }
}

}  // namespace
