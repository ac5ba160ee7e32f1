#include <gtest/gtest.h>

#include <string>

#include "Shared/UTF8.h"

namespace {

const std::string replacement = "\xEF\xBF\xBD";

TEST(UTF8Repair, WellFormedTextStaysAsItIs) {
    for (const std::string& text : {std::string(), std::string("plain ascii\n"), std::string("caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80"),
                                   std::string("nul\0inside", 10), std::string("\xF4\x8F\xBF\xBF")})
        EXPECT_EQ(replacingInvalidUTF8(text), text);
}

TEST(UTF8Repair, EachIllFormedPartBecomesOneReplacementCharacter) {
    struct Case {
        std::string input, expected;
    };
    const Case cases[] = {
        {"a\xFF" "b", "a" + replacement + "b"},                                    // byte that starts nothing
        {"caf\xE9 ok", "caf" + replacement + " ok"},                               // Latin-1 text
        {"\x80\x80", replacement + replacement},                                   // stray continuations
        {"\xE2\x82" "A", replacement + "A"},                                       // broken off before A
        {"end \xF0\x9F\x98", "end " + replacement},                                // cut at the end
        {"\xC0\xAF", replacement + replacement},                                   // overlong
        {"\xED\xA0\x80", replacement + replacement + replacement},                 // surrogate
        {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},  // above U+10FFFF
        {"\xE2\x82\xAC\xE2\x82", "\xE2\x82\xAC" + replacement},                    // good then cut
    };
    for (const auto& testCase : cases)
        EXPECT_EQ(replacingInvalidUTF8(testCase.input), testCase.expected) << testing::PrintToString(testCase.input);
}

}  // namespace
