#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/ProcessRunner.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Shared/Settings/FilterRules.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

// Points an XDG variable below a plain file, where no folder can ever be created.
void pointBelowAFile(const testing_support::TempHome& home, const char* variable) {
    std::ofstream(home.home() / "not-a-folder") << "x";
    setenv(variable, (home.home() / "not-a-folder" / "sub").c_str(), 1);
}

std::string runPeer(const std::vector<std::string>& arguments) {
    const auto result =
        Platform::runProcess({std::string(VELLUMARK_BUILD_DIR) + "/tests/settings/settings_peer", arguments, {}});
    EXPECT_EQ(result.outcome, Platform::ProcessResult::Outcome::exited) << result.launchError;
    EXPECT_EQ(result.exitStatus, 0);
    return result.output;
}

TEST(AppGroup, TheContainerIsTheFolderNamedByTheIdentifierWhenItCanBeMade) {
    testing_support::TempHome home;
    const auto container = AppGroup::containerURL();
    ASSERT_TRUE(container.has_value());
    EXPECT_EQ(*container, home.dataHome() / "Q4W9ZK2M7T.io.kestrow.v3lk");
    EXPECT_TRUE(fs::is_directory(*container));

    pointBelowAFile(home, "XDG_DATA_HOME");
    EXPECT_FALSE(AppGroup::containerURL().has_value());
}

TEST(AppGroup, SharedDefaultsFallBackToTheStandardDefaultsOnlyWhileTheSuiteCannotBeOpened) {
    testing_support::TempHome home;
    EXPECT_EQ(AppGroup::sharedDefaults().domain(), AppGroup::identifier);
    EXPECT_NE(&AppGroup::sharedDefaults(), &Platform::UserDefaults::standard());

    pointBelowAFile(home, "XDG_CONFIG_HOME");
    ASSERT_EQ(Platform::UserDefaults::suite(std::string(AppGroup::identifier)), nullptr);
    EXPECT_EQ(&AppGroup::sharedDefaults(), &Platform::UserDefaults::standard());
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), DisplayPrefs{});

    setenv("XDG_CONFIG_HOME", home.configHome().c_str(), 1);
    EXPECT_EQ(AppGroup::sharedDefaults().domain(), AppGroup::identifier);
}

TEST(AppGroup, AnotherProcessReadsWhatThisOneSavedAndTheOtherWayRound) {
    testing_support::TempHome home;
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), DisplayPrefs{});
    const DisplayPrefs prefs{SortMode::memory, true, false, true, false};
    prefs.save(AppGroup::sharedDefaults());
    EXPECT_EQ(nlohmann::json::parse(runPeer({"print-display"})).get<DisplayPrefs>(), prefs);

    const FilterRules rules{{}, {"node:3000"}, {}, {}, {11434}};
    rules.save(Platform::UserDefaults::standard());
    EXPECT_EQ(nlohmann::json::parse(runPeer({"print-filters"})).get<FilterRules>(), rules);

    const DisplayPrefs theirs{SortMode::uptime, false, true, true, true};
    runPeer({"save-display", nlohmann::json(theirs).dump()});
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), theirs) << "loads are never cached";
}

}  // namespace
