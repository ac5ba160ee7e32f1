#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "Platform/ProcessRunner.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "support/TempHome.h"

namespace {

std::string runPeer(const std::vector<std::string>& arguments) {
    const auto result =
        Platform::runProcess({std::string(VELLUMARK_BUILD_DIR) + "/tests/settings/settings_peer", arguments, {}});
    EXPECT_EQ(result.exitStatus, 0) << result.launchError;
    return result.output;
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

TEST(AppGroup, AnotherProcessReadsWhatThisOneSavedAndTheOtherWayRound) {
    testing_support::TempHome home;
    const DisplayPrefs ours{SortMode::memory, true, false, true, false}, theirs{SortMode::cpu, false, true, true, true};
    ours.save(AppGroup::sharedDefaults());
    EXPECT_EQ(nlohmann::json::parse(runPeer({"print-display"})).get<DisplayPrefs>(), ours);
    runPeer({"save-display", nlohmann::json(theirs).dump()});
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), theirs) << "loads are never cached";
}

}  // namespace
