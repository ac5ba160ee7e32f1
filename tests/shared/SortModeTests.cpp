#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "Shared/JSONCoding.h"
#include "Shared/SortMode.h"

namespace {

TEST(SortMode, RawValuesInDeclarationOrder) {
    std::vector<std::string> raws;
    for (SortMode mode : SortModes::allCases) raws.emplace_back(rawValue(mode));
    EXPECT_EQ(raws, (std::vector<std::string>{"activity", "project", "port", "cpu", "memory", "uptime"}));
}

TEST(SortMode, MenuOrderOffersEveryModeOnce) {
    EXPECT_EQ(SortModes::menuOrder, (std::array<SortMode, 6>{SortMode::activity, SortMode::port, SortMode::cpu,
                                                             SortMode::memory, SortMode::uptime, SortMode::project}));
    EXPECT_EQ(std::set<SortMode>(SortModes::menuOrder.begin(), SortModes::menuOrder.end()),
              std::set<SortMode>(SortModes::allCases.begin(), SortModes::allCases.end()));
}

TEST(SortMode, FromRawValueAcceptsOnlyTheSixTexts) {
    for (SortMode mode : SortModes::allCases) EXPECT_EQ(sortModeFromRawValue(rawValue(mode)), mode);
    for (const char* text : {"", "Activity", "CPU", "mem", " port", "port ", "uptime\n", "projects"}) {
        EXPECT_FALSE(sortModeFromRawValue(text).has_value()) << '"' << text << '"';
    }
    EXPECT_FALSE(sortModeFromRawValue(std::string_view("cpu\0", 4)).has_value());
}

TEST(SortMode, JSONIsTheRawString) {
    for (SortMode mode : SortModes::allCases) {
        const nlohmann::json json = mode;
        EXPECT_EQ(json.dump(), "\"" + std::string(rawValue(mode)) + "\"");
        EXPECT_EQ(json.get<SortMode>(), mode);
    }
    EXPECT_EQ(nlohmann::json::parse(R"(["memory","project"])").get<std::vector<SortMode>>(),
              (std::vector<SortMode>{SortMode::memory, SortMode::project}));
}

TEST(SortMode, JSONRefusesOtherValues) {
    for (const char* text : {R"("size")", R"("")", R"("CPU")", "3", "null", "true", R"(["cpu"])", R"({"cpu":1})"}) {
        EXPECT_THROW(nlohmann::json::parse(text).get<SortMode>(), DecodingError) << text;
    }
}

}  // namespace
