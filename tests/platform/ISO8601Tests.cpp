#include <gtest/gtest.h>

#include "Platform/ISO8601.h"

namespace {

using namespace std::chrono;

TEST(ISO8601, FormatsWholeUTCSecondsReadsThemBackAndRefusesEveryOtherForm) {
    const Platform::Date leapDay = sys_days{year{2024} / February / 29} + hours{23} + minutes{59} + seconds{59};
    EXPECT_EQ(Platform::formatISO8601(leapDay + milliseconds{999}), "2024-02-29T23:59:59Z");
    EXPECT_EQ(Platform::parseISO8601("2024-02-29T23:59:59Z"), leapDay);
    EXPECT_EQ(Platform::formatISO8601(Platform::Date{} - milliseconds{500}), "1969-12-31T23:59:59Z");  // floored
    for (const char* text : {"", "2026-12-05T20:18:14", "2026-12-05T20:18:14.5Z", "2026-12-05T20:18:14+00:00",
                             "2026-12-05 20:18:14Z", "2026-02-29T10:00:00Z", "2026-12-05T24:00:00Z",
                             "2026-12-05T20:18:60Z", "+026-12-05T20:18:14Z", "2026-12-05T20:18:14z"})
        EXPECT_FALSE(Platform::parseISO8601(text).has_value()) << text;
}

// Found by fuzzing snapshot.json: a year a Date cannot hold overflowed into another date.
TEST(ISO8601, DatesBeyondWhatADateHoldsAreRefusedAndTheEdgesRead) {
    for (const char* text :
         {"0026-01-01T00:00:00Z", "1677-09-21T00:12:43Z", "2262-04-11T23:47:17Z", "9999-12-31T23:59:59Z"})
        EXPECT_FALSE(Platform::parseISO8601(text).has_value()) << text;
    for (const char* text : {"1677-09-21T00:12:44Z", "2262-04-11T23:47:16Z"}) {
        const auto date = Platform::parseISO8601(text);
        ASSERT_TRUE(date.has_value()) << text;
        EXPECT_EQ(Platform::formatISO8601(*date), text);
    }
}

}  // namespace
