// How the display preferences and the filter rules are stored, and where: the display preferences in
// the App Group suite, its sort mode by its raw text. Both records share one way of loading and saving,
// so most of the stored-bytes handling is tested once.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/JSONCoding.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Shared/Settings/FilterRules.h"
#include "Shared/SortMode.h"
#include "support/TempHome.h"

namespace {

using json = nlohmann::json;
using namespace std::string_literals;
using Platform::UserDefaults;

UserDefaults::Data bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string storedText(const UserDefaults& defaults, const std::string& key) {
    const auto data = defaults.data(key);
    return data ? std::string(data->begin(), data->end()) : std::string();
}

const DisplayPrefs everyFieldChanged{SortMode::port, false, false, false, true};
const FilterRules everyCollectionFilled{{5432, 6379}, {"node:3000"}, {"/home/u/old"}, {"/opt/work"}, {11434, 1234}};

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

TEST(StoredSettings, NothingStoredGivesTheDefaultsSilently) {
    testing_support::TempHome home;
    Platform::LogCapture log;
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()),
              (DisplayPrefs{SortMode::activity, true, true, true, false}));
    EXPECT_TRUE(FilterRules::load(UserDefaults::standard()).isEmpty());
    EXPECT_FALSE((FilterRules{{}, {}, {}, {}, {1}}).isEmpty());
    EXPECT_TRUE(log.lines().empty());
}

TEST(StoredSettings, SavedAsCompactJSONInTheirOwnDomainAndLoadedBackEqual) {
    testing_support::TempHome home;
    auto& shared = AppGroup::sharedDefaults();
    auto& standard = UserDefaults::standard();
    everyFieldChanged.save(shared);
    everyCollectionFilled.save(standard);
    EXPECT_EQ(storedText(shared, DisplayPrefs::key),
              R"({"energyIcon":true,"flashNewServers":false,"grouped":false,"showPID":false,"sortMode":"port"})");
    EXPECT_EQ(json::parse(storedText(standard, FilterRules::key)),
              json::parse(R"({"ignoredPorts":[5432,6379],"hiddenServers":["node:3000"],"excludedFolders":
                  ["/home/u/old"],"includedFolders":["/opt/work"],"watchedPorts":[1234,11434]})"));
    EXPECT_FALSE(standard.object(DisplayPrefs::key) || shared.object(FilterRules::key)) << "the domains are separate";
    EXPECT_EQ(DisplayPrefs::load(shared), everyFieldChanged);
    EXPECT_EQ(FilterRules::load(standard), everyCollectionFilled);
    const FilterRules unusual{{0, 65535}, {"", "\xc3\xa9t\xc3\xa9:8080", "with \"quotes\" and \\:1"}, {"/a:b"}, {}, {}};
    unusual.save(standard);
    EXPECT_EQ(FilterRules::load(standard), unusual);
    FilterRules{{}, {}, {}, {"/opt/\xff\xfe"}, {}}.save(standard);  // cannot be encoded: the stored value stays
    EXPECT_EQ(FilterRules::load(standard), unusual);
}

// Keys in any order, unknown keys ignored; in FilterRules every key is optional and lists keep their order.
TEST(StoredSettings, StoredObjectsAreReadLeniently) {
    testing_support::TempHome home;
    auto& shared = AppGroup::sharedDefaults();
    ASSERT_TRUE(shared.set(DisplayPrefs::key, bytes(R"({"energyIcon":true,"theme":"dark","flashNewServers":false,
        "showPID":false,"grouped":false,"sortMode":"port"})")));
    EXPECT_EQ(DisplayPrefs::load(shared), everyFieldChanged);
    auto& standard = UserDefaults::standard();
    const std::pair<const char*, FilterRules> cases[] = {
        {R"({"watchedPorts":[11434,7860]})", {{}, {}, {}, {}, {7860, 11434}}},
        {R"({"excludedFolders":["/b","/a","/b"],"hiddenServers":null,"x":1})", {{}, {}, {"/b", "/a", "/b"}, {}, {}}},
        // Stored integers are 64-bit: a port no server can have is kept and never matches.
        {R"({"ignoredPorts":[4294967296,-1,3000],"watchedPorts":[9223372036854775807]})",
         {{-1, 3000, 4294967296}, {}, {}, {}, {9223372036854775807}}},
    };
    Platform::LogCapture log;
    for (const auto& [stored, expected] : cases) {
        ASSERT_TRUE(standard.set(FilterRules::key, bytes(stored)));
        EXPECT_EQ(FilterRules::load(standard), expected) << stored;
    }
    EXPECT_TRUE(log.lines().empty());
}

// A corrupt value is logged once with a reason, removed and replaced by the defaults; the next load
// finds nothing and stays silent. A value of another type is no record of ours and is left alone.
TEST(StoredSettings, ACorruptValueIsLoggedRemovedAndGivesTheDefaults) {
    testing_support::TempHome home;
    const auto expectReset = [](UserDefaults& defaults, const char* key, std::string_view stored, auto load) {
        SCOPED_TRACE(std::string(stored.substr(0, 100)));
        ASSERT_TRUE(defaults.set(key, bytes(stored)));
        Platform::LogCapture log;
        EXPECT_TRUE(load());
        const std::string prefix = std::string("Vellumark: corrupt ") + key + ", resetting to defaults: ";
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.lines()[0].starts_with(prefix) && log.lines()[0].size() > prefix.size()) << log.lines()[0];
        EXPECT_FALSE(defaults.object(key).has_value()) << "the corrupt value was not removed";
        log.clear();
        EXPECT_TRUE(load());
        EXPECT_TRUE(log.lines().empty());
    };
    auto& shared = AppGroup::sharedDefaults();
    const auto displayDefaults = [&] { return DisplayPrefs::load(shared) == DisplayPrefs{}; };
    const std::string rest = R"("grouped":false,"showPID":false,"flashNewServers":false,"energyIcon":true})";
    for (const std::string& stored :
         {R"({"sortMode":"CPU",)" + rest, R"({"sortMode":2,)" + rest, "{" + rest,
          std::string(R"({"sortMode":"port","grouped":false,"showPID":false,"flashNewServers":false})")})
        expectReset(shared, DisplayPrefs::key, stored, displayDefaults);
    auto& standard = UserDefaults::standard();
    const auto noRules = [&] { return FilterRules::load(standard) == FilterRules{}; };
    for (const std::string& stored : std::initializer_list<std::string>{
             R"({"watchedPorts":[3000,"11434"]})", R"({"ignoredPorts":[9223372036854775808]})",
             R"({"ignoredPorts":[3000.5]})", R"({"hiddenServers":"x:1"})", R"({"includedFolders":["/a",null]})", "42",
             "{not json", "", "{\"hiddenServers\":[\"\xc0\xaf\"]}", std::string(200000, '{')})
        expectReset(standard, FilterRules::key, stored, noRules);

    ASSERT_TRUE(shared.set(DisplayPrefs::key, std::string("{}")));
    Platform::LogCapture log;
    EXPECT_TRUE(displayDefaults());
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(shared.string(DisplayPrefs::key), "{}") << "a value of another type is not removed";
}

TEST(AppGroup, SharedDefaultsFallBackToTheStandardDefaultsOnlyWhileTheSuiteCannotBeOpened) {
    testing_support::TempHome home;
    EXPECT_EQ(AppGroup::sharedDefaults().domain(), AppGroup::identifier);
    std::ofstream(home.home() / "not-a-folder") << "x";  // no settings folder can be made below a file
    setenv("XDG_CONFIG_HOME", (home.home() / "not-a-folder" / "sub").c_str(), 1);
    EXPECT_EQ(&AppGroup::sharedDefaults(), &Platform::UserDefaults::standard());
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), DisplayPrefs{});
    setenv("XDG_CONFIG_HOME", home.configHome().c_str(), 1);
    EXPECT_EQ(AppGroup::sharedDefaults().domain(), AppGroup::identifier);
}

}  // namespace
