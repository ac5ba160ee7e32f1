// Running one system tool: what the child gets, what comes back, what a tool that cannot start
// leaves in the log, and how output that is not UTF-8 is mended. A tool that hangs is in
// ScanOfRealServersTests.

#include <gtest/gtest.h>

#include "Core/Discovery/ProcessScanner.h"
#include "Platform/SystemLog.h"
#include "Shared/UTF8.h"

namespace {

using ProcessScanner::runShell;
using namespace std::chrono_literals;

TEST(RunShell, AToolThatIsMissingGivesNoTextAndOneLogLine) {
    Platform::LogCapture log;
    const auto output = runShell("/nonexistent/vellumark/lsof", {"-a", "-w", "-d", "cwd", "-c", "", "-Fpcn"}, 10s);
    EXPECT_TRUE(!output.text && !output.timedOut);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Vellumark: shell error running /nonexistent/vellumark/lsof "
                                                    "-a -w -d cwd -c  -Fpcn: No such file or directory"});
}

// The arguments, the C locale and standard error are ProcessRunner's and tested there.
TEST(RunShell, WhatATerminatedToolPrintedComesBackMendedToUTF8) {
    Platform::LogCapture log;
    EXPECT_EQ(runShell("/bin/sh", {"-c", "printf 'caf\\351'; kill -9 $$"}, 10s).text, "caf\xEF\xBF\xBD");
    EXPECT_TRUE(log.lines().empty());
}

TEST(UTF8Repair, WellFormedTextStaysAndEachIllFormedPartBecomesOneReplacementCharacter) {
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80"},
        {std::string("nul\0inside", 10), std::string("nul\0inside", 10)},
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        {"a\xFF"
         "b",
         "a" + r + "b"},
        {"\x80\x80", r + r},  // bytes that start nothing
        {"\xE2\x82"
         "A",
         r + "A"},
        {"\xE2\x82\xAC\xF0\x9F\x98", "\xE2\x82\xAC" + r},  // broken off, cut at the end
        // Overlong, a surrogate, above U+10FFFF.
        {"\xC0\xAF", r + r},
        {"\xED\xA0\x80", r + r + r},
        {"\xF4\x90\x80\x80", r + r + r + r},
    };
    for (const auto& [in, expected] : cases)
        EXPECT_EQ(replacingInvalidUTF8(in), expected) << testing::PrintToString(in);
}

// Long ASCII runs are checked a word at a time: a bad byte is found wherever it falls in one.
TEST(UTF8Repair, AnIllFormedPartInsideLongASCIITextIsFoundAtEveryOffset) {
    const std::string r = "\xEF\xBF\xBD";
    for (std::size_t offset = 0; offset < 24; ++offset) {
        const std::string before(offset, 'a'), after(17, 'z');
        for (const auto& [bad, mended] :
             {std::pair<std::string, std::string>{"\xFF", r}, {"\xE2\x82", r}, {"\xC3\xA9", "\xC3\xA9"}}) {
            const std::string text = before + bad + after;
            EXPECT_EQ(isValidUTF8(text), bad == mended) << offset;
            EXPECT_EQ(replacingInvalidUTF8(text), before + mended + after) << offset;
        }
        EXPECT_EQ(replacingInvalidUTF8(before + "\xE2\x82"), before + r) << offset;  // broken off at the very end
    }
}

// The decoder the search's case folding reads characters with follows the same rules.
TEST(UTF8Repair, EachCharacterDecodesToItsCodePointAndIllFormedStartsToNothing) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
    std::vector<std::pair<char32_t, std::size_t>> read;
    std::size_t index = 0;
    while (const auto character = decodeUTF8(text, index)) {
        read.emplace_back(character->codePoint, character->length);
        index += character->length;
    }
    EXPECT_EQ(index, text.size());
    EXPECT_EQ(read, (std::vector<std::pair<char32_t, std::size_t>>{
                        {U'a', 1}, {0xE9, 2}, {0x20AC, 3}, {0x1F600, 4}, {0x10FFFF, 4}}));
    EXPECT_EQ(decodeUTF8(text, text.size()), std::nullopt);
    EXPECT_EQ(decodeUTF8(text, 2), std::nullopt) << "a continuation byte starts nothing";
    for (const std::string bad : {"\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                  "\xF5\x80\x80\x80", "\xE2\x82", "\xFF"})
        EXPECT_EQ(decodeUTF8(bad, 0), std::nullopt) << testing::PrintToString(bad);
}

}  // namespace
