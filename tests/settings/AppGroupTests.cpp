#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "support/TempHome.h"

namespace {

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
