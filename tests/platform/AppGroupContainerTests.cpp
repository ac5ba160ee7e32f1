#include <gtest/gtest.h>

#include <fstream>

#include "Platform/AppGroupContainer.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

TEST(AppGroupContainer, IsAPrivateFolderUnderTheDataHomeOrAbsentWhenItCannotBeHad) {
    testing_support::TempHome home;
    const auto folder = home.dataHome() / "Q4W9ZK2M7T.io.kestrow";
    fs::remove_all(home.dataHome());  // created on demand, parents included
    for (int round = 0; round < 2; ++round) {  // the second time round, a folder others could read is tightened
        EXPECT_EQ(Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow"), folder);
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
        fs::permissions(folder, fs::perms::others_read, fs::perm_options::add);
    }
    std::ofstream(home.dataHome() / "taken") << "a file, not a folder";
    for (const char* bad : {"", ".", "..", "a/b", "taken"}) EXPECT_FALSE(Platform::appGroupContainer(bad)) << bad;
}

}  // namespace
