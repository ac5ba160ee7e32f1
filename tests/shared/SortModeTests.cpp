#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "Shared/JSONCoding.h"
#include "Shared/SortMode.h"

namespace {

using namespace std::string_literals;

TEST(SortMode, StoredAsItsExactRawTextAndReadBackOnlyFromThatText) {
    std::vector<std::string> raws;
    for (SortMode mode : SortModes::allCases) {
        raws.emplace_back(rawValue(mode));
        EXPECT_EQ(sortModeFromRawValue(raws.back()), mode);
        EXPECT_EQ(nlohmann::json(mode), raws.back());
        EXPECT_EQ(nlohmann::json(raws.back()).get<SortMode>(), mode);
    }
    EXPECT_EQ(raws, (std::vector<std::string>{"activity", "project", "port", "cpu", "memory", "uptime"}));
    for (const std::string& text : {""s, "CPU"s, "uptime\n"s, "cpu\0"s}) {
        EXPECT_FALSE(sortModeFromRawValue(text).has_value()) << '"' << text << '"';
        EXPECT_THROW(nlohmann::json(text).get<SortMode>(), DecodingError) << '"' << text << '"';
    }
    EXPECT_THROW(nlohmann::json(3).get<SortMode>(), DecodingError);
}

}  // namespace
