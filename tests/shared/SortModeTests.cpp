#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "Shared/JSONCoding.h"
#include "Shared/SortMode.h"

namespace {

TEST(SortMode, StoredAsItsRawTextAndReadBackOnlyFromThatText) {
    std::vector<std::string> raws;
    for (SortMode mode : SortModes::allCases) {
        raws.emplace_back(rawValue(mode));
        EXPECT_EQ(sortModeFromRawValue(rawValue(mode)), mode);
        const nlohmann::json json = mode;
        EXPECT_EQ(json.dump(), "\"" + raws.back() + "\"");
        EXPECT_EQ(json.get<SortMode>(), mode);
    }
    EXPECT_EQ(raws, (std::vector<std::string>{"activity", "project", "port", "cpu", "memory", "uptime"}));
    for (const char* text : {"", "Activity", "CPU", "mem", " port", "port ", "uptime\n", "projects"})
        EXPECT_FALSE(sortModeFromRawValue(text).has_value()) << '"' << text << '"';
    EXPECT_FALSE(sortModeFromRawValue(std::string_view("cpu\0", 4)).has_value());
}

TEST(SortMode, JSONRefusesOtherValues) {
    for (const char* text : {R"("size")", R"("")", R"("CPU")", "3", "null", "true", R"(["cpu"])", R"({"cpu":1})"})
        EXPECT_THROW(nlohmann::json::parse(text).get<SortMode>(), DecodingError) << text;
}

}  // namespace
