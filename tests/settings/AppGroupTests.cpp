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
    const fs::path blocker = home.home() / "not-a-folder";
    std::ofstream(blocker) << "x";
    setenv(variable, (blocker / "sub").c_str(), 1);
}

std::string runPeer(const std::vector<std::string>& arguments) {
    const Platform::ProcessResult result =
        Platform::runProcess({std::string(VELLUMARK_BUILD_DIR) + "/tests/settings/settings_peer", arguments, {}});
    EXPECT_EQ(result.outcome, Platform::ProcessResult::Outcome::exited) << result.launchError;
    EXPECT_EQ(result.exitStatus, 0);
    return result.output;
}

TEST(AppGroup, IdentifierNamesTheSharedFolder) {
    testing_support::TempHome home;
    EXPECT_EQ(AppGroup::identifier, "Q4W9ZK2M7T.io.kestrow.v3lk");
    const auto container = AppGroup::containerURL();
    ASSERT_TRUE(container.has_value());
    EXPECT_EQ(*container, home.dataHome() / "Q4W9ZK2M7T.io.kestrow.v3lk");
    EXPECT_TRUE(fs::is_directory(*container));
}

TEST(AppGroup, NoContainerWhenTheFolderCannotBeMade) {
    testing_support::TempHome home;
    pointBelowAFile(home, "XDG_DATA_HOME");
    EXPECT_FALSE(AppGroup::containerURL().has_value());
}

TEST(AppGroup, SharedDefaultsAreTheSuiteNamedByTheIdentifier) {
    testing_support::TempHome home;
    auto& shared = AppGroup::sharedDefaults();
    EXPECT_EQ(shared.domain(), AppGroup::identifier);
    EXPECT_NE(&shared, &Platform::UserDefaults::standard());
    EXPECT_EQ(&shared, &AppGroup::sharedDefaults());
}

TEST(AppGroup, SharedDefaultsFallBackToTheStandardDefaultsWhileTheSuiteCannotBeOpened) {
    testing_support::TempHome home;
    pointBelowAFile(home, "XDG_CONFIG_HOME");
    ASSERT_EQ(Platform::UserDefaults::suite(std::string(AppGroup::identifier)), nullptr);
    EXPECT_EQ(&AppGroup::sharedDefaults(), &Platform::UserDefaults::standard());
    // Reading through the fallback still works: nothing can be stored, so the defaults come back.
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), DisplayPrefs{});

    // The fallback is not remembered: once the suite can be opened it is used again.
    setenv("XDG_CONFIG_HOME", home.configHome().c_str(), 1);
    EXPECT_EQ(AppGroup::sharedDefaults().domain(), AppGroup::identifier);
}

TEST(AppGroup, AnotherProcessReadsWhatThisOneSaved) {
    testing_support::TempHome home;
    DisplayPrefs prefs;
    prefs.sortMode = SortMode::memory;
    prefs.showPID = false;
    prefs.save(AppGroup::sharedDefaults());
    EXPECT_EQ(nlohmann::json::parse(runPeer({"print-display"})).get<DisplayPrefs>(), prefs);

    FilterRules rules;
    rules.watchedPorts = {11434};
    rules.hiddenServers = {"node:3000"};
    rules.save(Platform::UserDefaults::standard());
    EXPECT_EQ(nlohmann::json::parse(runPeer({"print-filters"})).get<FilterRules>(), rules);
}

TEST(AppGroup, ThisProcessReadsWhatAnotherOneSaved) {
    testing_support::TempHome home;
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), DisplayPrefs{});

    DisplayPrefs prefs;
    prefs.sortMode = SortMode::uptime;
    prefs.grouped = false;
    prefs.energyIcon = true;
    runPeer({"save-display", nlohmann::json(prefs).dump()});
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), prefs) << "loads are never cached";
}

}  // namespace
