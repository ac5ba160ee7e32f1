#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/FilterRules.h"
#include "StoredValueExpectations.h"
#include "support/TempHome.h"

namespace {

using settings_tests::bytes;
using settings_tests::expectResetToDefaults;
using settings_tests::storedText;

FilterRules everyCollectionFilled() {
    FilterRules rules;
    rules.ignoredPorts = {5432, 6379};
    rules.hiddenServers = {"node:3000", "ruby:4000"};
    rules.excludedFolders = {"/home/u/old", "/home/u/archive/"};
    rules.includedFolders = {"/opt/work", "/srv/app"};
    rules.watchedPorts = {11434, 1234};
    return rules;
}

TEST(FilterRules, NothingStoredGivesFiveEmptyCollectionsSilently) {
    testing_support::TempHome home;
    Platform::LogCapture log;
    const FilterRules rules = FilterRules::load(Platform::UserDefaults::standard());
    EXPECT_TRUE(rules.ignoredPorts.empty());
    EXPECT_TRUE(rules.hiddenServers.empty());
    EXPECT_TRUE(rules.excludedFolders.empty());
    EXPECT_TRUE(rules.includedFolders.empty());
    EXPECT_TRUE(rules.watchedPorts.empty());
    EXPECT_TRUE(rules.isEmpty());
    EXPECT_TRUE(log.lines().empty());
}

TEST(FilterRules, IsEmptyOnlyWhenAllFiveAreEmpty) {
    EXPECT_FALSE(everyCollectionFilled().isEmpty());
    FilterRules rules;
    rules.ignoredPorts = {1};
    EXPECT_FALSE(rules.isEmpty());
    rules = {};
    rules.hiddenServers = {"x:1"};
    EXPECT_FALSE(rules.isEmpty());
    rules = {};
    rules.excludedFolders = {"/a"};
    EXPECT_FALSE(rules.isEmpty());
    rules = {};
    rules.includedFolders = {"/a"};
    EXPECT_FALSE(rules.isEmpty());
    rules = {};
    rules.watchedPorts = {1};
    EXPECT_FALSE(rules.isEmpty());
}

TEST(FilterRules, EveryKeyIsOptional) {
    testing_support::TempHome home;
    auto& defaults = Platform::UserDefaults::standard();
    Platform::LogCapture log;

    ASSERT_TRUE(defaults.set(FilterRules::key, bytes(R"({"watchedPorts":[11434,7860]})")));
    FilterRules expected;
    expected.watchedPorts = {7860, 11434};
    EXPECT_EQ(FilterRules::load(defaults), expected);

    ASSERT_TRUE(defaults.set(FilterRules::key, bytes(R"({"excludedFolders":["/b","/a","/b"]})")));
    expected = {};
    expected.excludedFolders = {"/b", "/a", "/b"};  // a list keeps its order and repeats
    EXPECT_EQ(FilterRules::load(defaults), expected);

    ASSERT_TRUE(defaults.set(FilterRules::key, bytes(R"({"hiddenServers":null,"ignoredPorts":[3000,3000],"x":1})")));
    expected = {};
    expected.ignoredPorts = {3000};
    EXPECT_EQ(FilterRules::load(defaults), expected);

    ASSERT_TRUE(defaults.set(FilterRules::key, bytes("{}")));
    EXPECT_EQ(FilterRules::load(defaults), FilterRules{});

    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(defaults.object(FilterRules::key).has_value());
}

TEST(FilterRules, SaveWritesCompactJSONArraysUnderItsKeyInTheStandardDefaults) {
    testing_support::TempHome home;
    everyCollectionFilled().save(Platform::UserDefaults::standard());

    const std::string text = storedText(Platform::UserDefaults::standard(), FilterRules::key);
    EXPECT_EQ(text.find_first_of(" \n"), std::string::npos) << text;
    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ(json, nlohmann::json::parse(R"({"ignoredPorts":[5432,6379],"hiddenServers":["node:3000","ruby:4000"],
        "excludedFolders":["/home/u/old","/home/u/archive/"],"includedFolders":["/opt/work","/srv/app"],
        "watchedPorts":[1234,11434]})"));

    auto suite = Platform::UserDefaults::suite(std::string(AppGroup::identifier));
    ASSERT_NE(suite, nullptr);
    EXPECT_FALSE(suite->object(FilterRules::key).has_value());
}

TEST(FilterRules, EmptyRulesAreSavedWithAllFiveKeys) {
    testing_support::TempHome home;
    FilterRules{}.save(Platform::UserDefaults::standard());
    EXPECT_EQ(nlohmann::json::parse(storedText(Platform::UserDefaults::standard(), FilterRules::key)),
              nlohmann::json::parse(R"({"ignoredPorts":[],"hiddenServers":[],"excludedFolders":[],
                  "includedFolders":[],"watchedPorts":[]})"));
}

TEST(FilterRules, SaveThenLoadGivesAnEqualValue) {
    testing_support::TempHome home;
    for (Platform::UserDefaults* defaults : {&Platform::UserDefaults::standard(), &AppGroup::sharedDefaults()}) {
        SCOPED_TRACE(defaults->domain());
        everyCollectionFilled().save(*defaults);
        EXPECT_EQ(FilterRules::load(*defaults), everyCollectionFilled());

        FilterRules unusual;
        unusual.hiddenServers = {"", "node:0", "\xc3\xa9t\xc3\xa9:8080", "with \"quotes\" and \\:1"};
        unusual.excludedFolders = {"/path with spaces/\xe2\x9c\x93", "/a:b"};
        unusual.ignoredPorts = {0, 65535, 2147483647};
        unusual.save(*defaults);
        EXPECT_EQ(FilterRules::load(*defaults), unusual);
    }
}

TEST(FilterRules, ARecordThatCannotBeEncodedLeavesTheStoredValue) {
    testing_support::TempHome home;
    auto& defaults = Platform::UserDefaults::standard();
    everyCollectionFilled().save(defaults);
    const std::string before = storedText(defaults, FilterRules::key);

    FilterRules notUTF8;
    notUTF8.includedFolders = {"/opt/\xff\xfe"};
    Platform::LogCapture log;
    notUTF8.save(defaults);
    EXPECT_EQ(storedText(defaults, FilterRules::key), before);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(FilterRules::load(defaults), everyCollectionFilled());
}

TEST(FilterRules, WrongTypesAreCorrupt) {
    testing_support::TempHome home;
    auto& defaults = Platform::UserDefaults::standard();
    for (const char* stored : {
             R"({"ignoredPorts":["3000"]})",
             R"({"watchedPorts":[3000,"11434"]})",
             R"({"watchedPorts":3000})",
             R"({"ignoredPorts":[30.5]})",
             R"({"ignoredPorts":[3000000000]})",
             R"({"ignoredPorts":[null]})",
             R"({"hiddenServers":"node:3000"})",
             R"({"hiddenServers":[3000]})",
             R"({"excludedFolders":{"/a":true}})",
             R"({"includedFolders":["/a",null]})",
             R"({"includedFolders":[["/a"]]})",
             R"([])",
             R"(["node:3000"])",
             "null",
             "42",
         }) {
        SCOPED_TRACE(stored);
        expectResetToDefaults<FilterRules>(defaults, stored);
    }
}

TEST(FilterRules, BytesThatAreNotJSONAreCorrupt) {
    testing_support::TempHome home;
    auto& defaults = Platform::UserDefaults::standard();
    expectResetToDefaults<FilterRules>(defaults, "{not json");
    expectResetToDefaults<FilterRules>(defaults, "");
    expectResetToDefaults<FilterRules>(defaults, "{\"hiddenServers\":[\"\xc0\xaf\"]}");
    expectResetToDefaults<FilterRules>(defaults, std::string(200000, '{'));
}

TEST(FilterRules, AValueStoredAsTextGivesEmptyRulesAndStays) {
    testing_support::TempHome home;
    auto& defaults = Platform::UserDefaults::standard();
    const std::string text = R"({"watchedPorts":[11434]})";
    ASSERT_TRUE(defaults.set(FilterRules::key, text));
    Platform::LogCapture log;
    EXPECT_EQ(FilterRules::load(defaults), FilterRules{});
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(defaults.string(FilterRules::key), text);
}

TEST(FilterRules, KnownServicesInTheirOfferedOrder) {
    using Service = FilterRules::KnownService;
    const std::vector<Service> expected{
        {"Ollama", 11434}, {"LM Studio", 1234}, {"Jan", 1337},
        {"GPT4All", 4891}, {"ComfyUI", 8188},   {"Gradio apps (SD WebUI, TextGen)", 7860},
    };
    EXPECT_EQ(std::vector<Service>(FilterRules::knownServices.begin(), FilterRules::knownServices.end()), expected);
}

}  // namespace
