#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "StoredValueExpectations.h"
#include "support/TempHome.h"

namespace {

using settings_tests::bytes;
using settings_tests::expectResetToDefaults;
using settings_tests::storedText;

const char* const completeObject =
    R"({"sortMode":"port","grouped":false,"showPID":false,"flashNewServers":false,"energyIcon":true})";

DisplayPrefs everyFieldChanged() {
    DisplayPrefs prefs;
    prefs.sortMode = SortMode::port;
    prefs.grouped = false;
    prefs.showPID = false;
    prefs.flashNewServers = false;
    prefs.energyIcon = true;
    return prefs;
}

TEST(DisplayPrefs, NothingStoredGivesTheDefaultsSilently) {
    testing_support::TempHome home;
    Platform::LogCapture log;
    const DisplayPrefs prefs = DisplayPrefs::load(AppGroup::sharedDefaults());
    EXPECT_EQ(prefs.sortMode, SortMode::activity);
    EXPECT_TRUE(prefs.grouped);
    EXPECT_TRUE(prefs.showPID);
    EXPECT_TRUE(prefs.flashNewServers);
    EXPECT_FALSE(prefs.energyIcon);
    EXPECT_TRUE(log.lines().empty());
}

TEST(DisplayPrefs, ReadsACompleteStoredObject) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    ASSERT_TRUE(defaults.set(DisplayPrefs::key, bytes(completeObject)));
    EXPECT_EQ(DisplayPrefs::load(defaults), everyFieldChanged());

    // Key order carries no meaning and unknown keys are ignored.
    ASSERT_TRUE(defaults.set(DisplayPrefs::key, bytes(R"({"energyIcon":true,"theme":"dark","flashNewServers":false,
        "showPID":false,"grouped":false,"sortMode":"port"})")));
    EXPECT_EQ(DisplayPrefs::load(defaults), everyFieldChanged());
}

TEST(DisplayPrefs, SaveWritesCompactJSONUnderItsKeyInTheSharedSuite) {
    testing_support::TempHome home;
    everyFieldChanged().save(AppGroup::sharedDefaults());

    auto suite = Platform::UserDefaults::suite(std::string(AppGroup::identifier));
    ASSERT_NE(suite, nullptr);
    const std::string text = storedText(*suite, DisplayPrefs::key);
    EXPECT_EQ(nlohmann::json::parse(text), nlohmann::json::parse(completeObject));
    EXPECT_EQ(text.find_first_of(" \n"), std::string::npos) << text;
    EXPECT_FALSE(Platform::UserDefaults::standard().object(DisplayPrefs::key).has_value());
}

TEST(DisplayPrefs, SaveThenLoadGivesAnEqualValueForEverySortMode) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    for (SortMode mode : SortModes::allCases) {
        DisplayPrefs prefs = everyFieldChanged();
        prefs.sortMode = mode;
        prefs.save(defaults);
        EXPECT_EQ(DisplayPrefs::load(defaults), prefs) << rawValue(mode);
    }
}

TEST(DisplayPrefs, RoundTripsInTheStandardDefaultsToo) {
    testing_support::TempHome home;
    auto& standard = Platform::UserDefaults::standard();
    everyFieldChanged().save(standard);
    EXPECT_EQ(DisplayPrefs::load(standard), everyFieldChanged());
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), DisplayPrefs{}) << "the suites are separate";
}

TEST(DisplayPrefs, SaveReplacesACorruptValue) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    ASSERT_TRUE(defaults.set(DisplayPrefs::key, bytes("not json")));
    everyFieldChanged().save(defaults);
    Platform::LogCapture log;
    EXPECT_EQ(DisplayPrefs::load(defaults), everyFieldChanged());
    EXPECT_TRUE(log.lines().empty());
}

TEST(DisplayPrefs, AMissingKeyResetsAllFive) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    for (const char* missing : {"sortMode", "grouped", "showPID", "flashNewServers", "energyIcon"}) {
        SCOPED_TRACE(missing);
        nlohmann::json object = nlohmann::json::parse(completeObject);
        object.erase(missing);
        expectResetToDefaults<DisplayPrefs>(defaults, object.dump());
    }
}

TEST(DisplayPrefs, WrongTypesAndUnknownSortModesAreCorrupt) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    for (const char* stored : {
             R"({"sortMode":"size","grouped":true,"showPID":true,"flashNewServers":true,"energyIcon":false})",
             R"({"sortMode":"CPU","grouped":true,"showPID":true,"flashNewServers":true,"energyIcon":false})",
             R"({"sortMode":2,"grouped":true,"showPID":true,"flashNewServers":true,"energyIcon":false})",
             R"({"sortMode":null,"grouped":true,"showPID":true,"flashNewServers":true,"energyIcon":false})",
             R"({"sortMode":"cpu","grouped":"true","showPID":true,"flashNewServers":true,"energyIcon":false})",
             R"({"sortMode":"cpu","grouped":true,"showPID":1,"flashNewServers":true,"energyIcon":false})",
             R"({"sortMode":"cpu","grouped":true,"showPID":true,"flashNewServers":null,"energyIcon":false})",
             R"(["cpu",true,true,true,false])",
             "null",
             R"("activity")",
         }) {
        SCOPED_TRACE(stored);
        expectResetToDefaults<DisplayPrefs>(defaults, stored);
    }
}

TEST(DisplayPrefs, BytesThatAreNotJSONAreCorrupt) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    expectResetToDefaults<DisplayPrefs>(defaults, "garbage");
    expectResetToDefaults<DisplayPrefs>(defaults, "");
    expectResetToDefaults<DisplayPrefs>(defaults, std::string(completeObject) + " trailing");
    expectResetToDefaults<DisplayPrefs>(defaults, std::string(completeObject).substr(0, 40));
    // Not UTF-8 inside a string.
    expectResetToDefaults<DisplayPrefs>(
        defaults, "{\"sortMode\":\"\xff\",\"grouped\":true,\"showPID\":true,\"flashNewServers\":true,\"energyIcon\":false}");
    expectResetToDefaults<DisplayPrefs>(defaults, Platform::UserDefaults::Data{0x00, 0x01, 0xfe, 0xff});
}

TEST(DisplayPrefs, DeeplyNestedInputIsCorruptNotACrash) {
    testing_support::TempHome home;
    expectResetToDefaults<DisplayPrefs>(AppGroup::sharedDefaults(), std::string(200000, '['));
    expectResetToDefaults<DisplayPrefs>(AppGroup::sharedDefaults(),
                                        std::string(200000, '[') + std::string(200000, ']'));
}

TEST(DisplayPrefs, AValueOfAnotherTypeGivesTheDefaultsAndStays) {
    testing_support::TempHome home;
    auto& defaults = AppGroup::sharedDefaults();
    for (const Platform::UserDefaults::Value& stored :
         {Platform::UserDefaults::Value(std::string(completeObject)), Platform::UserDefaults::Value(true),
          Platform::UserDefaults::Value(std::int64_t{7})}) {
        ASSERT_TRUE(defaults.set(DisplayPrefs::key, stored));
        Platform::LogCapture log;
        EXPECT_EQ(DisplayPrefs::load(defaults), DisplayPrefs{});
        EXPECT_TRUE(log.lines().empty());
        EXPECT_EQ(defaults.object(DisplayPrefs::key), stored) << "a value of another type is not removed";
    }
}

}  // namespace
