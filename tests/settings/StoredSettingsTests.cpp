// How the display preferences and the filter rules are stored: both records share one way of
// loading and saving, so the handling of stored bytes that are no JSON is tested once, with FilterRules.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Shared/Settings/FilterRules.h"
#include "support/TempHome.h"

namespace {

using json = nlohmann::json;

Platform::UserDefaults::Data bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string storedText(const Platform::UserDefaults& defaults, const std::string& key) {
    const auto data = defaults.data(key);
    return data ? std::string(data->begin(), data->end()) : std::string();
}

// A corrupt value is logged once with a reason, removed and replaced by the defaults; the next load
// finds nothing and stays silent.
template <typename Record>
void expectResetToDefaults(Platform::UserDefaults& defaults, std::string_view stored) {
    ASSERT_TRUE(defaults.set(Record::key, bytes(stored)));
    Platform::LogCapture log;
    EXPECT_EQ(Record::load(defaults), Record{});
    const std::string prefix = std::string("Vellumark: corrupt ") + Record::key + ", resetting to defaults: ";
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with(prefix) && log.lines()[0].size() > prefix.size()) << log.lines()[0];
    EXPECT_FALSE(defaults.object(Record::key).has_value()) << "the corrupt value was not removed";
    log.clear();
    EXPECT_EQ(Record::load(defaults), Record{});
    EXPECT_TRUE(log.lines().empty());
}

FilterRules rules(std::set<int> ignored, std::set<std::string> hidden = {}, std::vector<std::string> excluded = {},
                  std::vector<std::string> included = {}, std::set<int> watched = {}) {
    return FilterRules{std::move(ignored), std::move(hidden), std::move(excluded), std::move(included),
                       std::move(watched)};
}

FilterRules everyCollectionFilled() {
    return rules({5432, 6379}, {"node:3000", "ruby:4000"}, {"/home/u/old", "/home/u/archive/"},
                 {"/opt/work", "/srv/app"}, {11434, 1234});
}

const std::string completeObject =
    R"({"sortMode":"port","grouped":false,"showPID":false,"flashNewServers":false,"energyIcon":true})";

DisplayPrefs everyFieldChanged() {
    return DisplayPrefs{.sortMode = SortMode::port, .grouped = false, .showPID = false, .flashNewServers = false,
                        .energyIcon = true};
}

TEST(StoredSettings, NothingStoredGivesTheDefaultsSilently) {
    testing_support::TempHome home;
    Platform::LogCapture log;
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()),
              (DisplayPrefs{.sortMode = SortMode::activity, .grouped = true, .showPID = true,
                            .flashNewServers = true, .energyIcon = false}));
    const FilterRules loaded = FilterRules::load(Platform::UserDefaults::standard());
    EXPECT_TRUE(loaded.ignoredPorts.empty() && loaded.hiddenServers.empty() && loaded.excludedFolders.empty() &&
                loaded.includedFolders.empty() && loaded.watchedPorts.empty());
    EXPECT_TRUE(loaded.isEmpty());
    EXPECT_FALSE(rules({}, {}, {}, {}, {1}).isEmpty());
    EXPECT_FALSE(rules({}, {}, {}, {"/a"}).isEmpty());
    EXPECT_TRUE(log.lines().empty());
}

// ---- DisplayPrefs ---------------------------------------------------------------------------------

TEST(DisplayPrefs, ReadsAStoredObjectInAnyKeyOrderIgnoringUnknownKeys) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    ASSERT_TRUE(defaults.set(DisplayPrefs::key, bytes(R"({"energyIcon":true,"theme":"dark","flashNewServers":false,
        "showPID":false,"grouped":false,"sortMode":"port"})")));
    EXPECT_EQ(DisplayPrefs::load(defaults), everyFieldChanged());
}

TEST(DisplayPrefs, SaveWritesCompactJSONToTheSharedSuiteAndReplacesACorruptValue) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    ASSERT_TRUE(defaults.set(DisplayPrefs::key, bytes("not json")));
    everyFieldChanged().save(defaults);

    auto suite = Platform::UserDefaults::suite(std::string(AppGroup::identifier));
    ASSERT_NE(suite, nullptr);
    const std::string text = storedText(*suite, DisplayPrefs::key);
    EXPECT_EQ(json::parse(text), json::parse(completeObject));
    EXPECT_EQ(text.find_first_of(" \n"), std::string::npos) << text;
    EXPECT_FALSE(Platform::UserDefaults::standard().object(DisplayPrefs::key).has_value());
    Platform::LogCapture log;
    EXPECT_EQ(DisplayPrefs::load(defaults), everyFieldChanged());
    EXPECT_TRUE(log.lines().empty());
}

TEST(DisplayPrefs, SaveThenLoadGivesAnEqualValueForEverySortModeInEitherDomain) {
    testing_support::TempHome home;
    for (SortMode mode : SortModes::allCases) {
        DisplayPrefs prefs = everyFieldChanged();
        prefs.sortMode = mode;
        prefs.save(AppGroup::sharedDefaults());
        EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), prefs) << rawValue(mode);
    }
    DisplayPrefs standard;
    standard.grouped = false;
    standard.save(Platform::UserDefaults::standard());
    EXPECT_EQ(DisplayPrefs::load(Platform::UserDefaults::standard()), standard);
    EXPECT_NE(DisplayPrefs::load(AppGroup::sharedDefaults()), standard) << "the domains are separate";
}

TEST(DisplayPrefs, ACorruptValueIsLoggedRemovedAndGivesTheDefaults) {
    testing_support::TempHome home;
    std::vector<std::string> corrupt;
    for (const char* missing : {"sortMode", "grouped", "showPID", "flashNewServers", "energyIcon"}) {
        auto object = json::parse(completeObject);
        object.erase(missing);
        corrupt.push_back(object.dump());
    }
    for (const auto& [key, value] : {std::pair{"sortMode", R"("size")"}, {"sortMode", R"("CPU")"}, {"sortMode", "2"},
                                     {"sortMode", "null"}, {"grouped", R"("true")"}, {"showPID", "1"}}) {
        auto object = json::parse(completeObject);
        object[key] = json::parse(value);
        corrupt.push_back(object.dump());
    }
    // The shared loading code meets bytes that are no JSON at all in the FilterRules tests.
    corrupt.insert(corrupt.end(), {R"(["cpu",true,true,true,false])", "null", completeObject + " x"});
    for (const std::string& stored : corrupt) {
        SCOPED_TRACE(stored.substr(0, 100));
        expectResetToDefaults<DisplayPrefs>(AppGroup::sharedDefaults(), stored);
    }
}

TEST(DisplayPrefs, AValueOfAnotherTypeGivesTheDefaultsAndStays) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    for (const Platform::UserDefaults::Value& stored :
         {Platform::UserDefaults::Value(completeObject), Platform::UserDefaults::Value(true)}) {
        ASSERT_TRUE(defaults.set(DisplayPrefs::key, stored));
        Platform::LogCapture log;
        EXPECT_EQ(DisplayPrefs::load(defaults), DisplayPrefs{});
        EXPECT_TRUE(log.lines().empty());
        EXPECT_EQ(defaults.object(DisplayPrefs::key), stored) << "a value of another type is not removed";
    }
}

// ---- FilterRules ----------------------------------------------------------------------------------

TEST(FilterRules, EveryKeyIsOptional) {
    testing_support::TempHome home;
    auto& defaults = Platform::UserDefaults::standard();
    Platform::LogCapture log;
    const std::pair<const char*, FilterRules> cases[] = {
        {R"({"watchedPorts":[11434,7860]})", rules({}, {}, {}, {}, {7860, 11434})},
        {R"({"excludedFolders":["/b","/a","/b"]})", rules({}, {}, {"/b", "/a", "/b"})},  // a list keeps order
        {R"({"hiddenServers":null,"ignoredPorts":[3000,3000],"x":1})", rules({3000})},
        {"{}", {}},
    };
    for (const auto& [stored, expected] : cases) {
        ASSERT_TRUE(defaults.set(FilterRules::key, bytes(stored)));
        EXPECT_EQ(FilterRules::load(defaults), expected) << stored;
    }
    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(defaults.object(FilterRules::key).has_value());
}

TEST(FilterRules, SaveWritesAllFiveKeysAsCompactJSONToTheStandardDefaults) {
    testing_support::TempHome home;
    auto& standard = Platform::UserDefaults::standard();
    FilterRules{}.save(standard);
    EXPECT_EQ(json::parse(storedText(standard, FilterRules::key)),
              json::parse(R"({"ignoredPorts":[],"hiddenServers":[],"excludedFolders":[],"includedFolders":[],
                  "watchedPorts":[]})"));

    everyCollectionFilled().save(standard);
    const std::string text = storedText(standard, FilterRules::key);
    EXPECT_EQ(text.find_first_of(" \n"), std::string::npos) << text;
    EXPECT_EQ(json::parse(text), json::parse(R"({"ignoredPorts":[5432,6379],"hiddenServers":["node:3000","ruby:4000"],
        "excludedFolders":["/home/u/old","/home/u/archive/"],"includedFolders":["/opt/work","/srv/app"],
        "watchedPorts":[1234,11434]})"));
    EXPECT_FALSE(AppGroup::sharedDefaults().object(FilterRules::key).has_value());
}

TEST(FilterRules, SaveThenLoadGivesAnEqualValue) {
    testing_support::TempHome home;
    const FilterRules unusual = rules({0, 65535, 2147483647},
                                      {"", "node:0", "\xc3\xa9t\xc3\xa9:8080", "with \"quotes\" and \\:1"},
                                      {"/path with spaces/\xe2\x9c\x93", "/a:b"});
    for (const FilterRules& saved : {everyCollectionFilled(), unusual}) {
        saved.save(Platform::UserDefaults::standard());
        EXPECT_EQ(FilterRules::load(Platform::UserDefaults::standard()), saved);
    }
}

TEST(FilterRules, ARecordThatCannotBeEncodedLeavesTheStoredValue) {
    testing_support::TempHome home;
    auto& defaults = Platform::UserDefaults::standard();
    everyCollectionFilled().save(defaults);
    const std::string before = storedText(defaults, FilterRules::key);
    Platform::LogCapture log;
    rules({}, {}, {}, {"/opt/\xff\xfe"}).save(defaults);
    EXPECT_EQ(storedText(defaults, FilterRules::key), before);
    EXPECT_TRUE(log.lines().empty());
}

TEST(FilterRules, ACorruptValueIsLoggedRemovedAndGivesEmptyRules) {
    testing_support::TempHome home;
    for (const std::string& stored : std::initializer_list<std::string>{
             R"({"ignoredPorts":["3000"]})", R"({"watchedPorts":[3000,"11434"]})", R"({"watchedPorts":3000})",
             R"({"ignoredPorts":[30.5]})", R"({"ignoredPorts":[3000000000]})", R"({"ignoredPorts":[null]})",
             R"({"hiddenServers":"node:3000"})", R"({"hiddenServers":[3000]})", R"({"excludedFolders":{"/a":true}})",
             R"({"includedFolders":["/a",null]})", R"({"includedFolders":[["/a"]]})", R"(["node:3000"])", "42",
             "{not json", "", "{\"hiddenServers\":[\"\xc0\xaf\"]}", std::string(200000, '{')}) {
        SCOPED_TRACE(stored.substr(0, 100));
        expectResetToDefaults<FilterRules>(Platform::UserDefaults::standard(), stored);
    }
}

}  // namespace
