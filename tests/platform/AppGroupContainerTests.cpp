#include <gtest/gtest.h>

#include <fstream>

#include "Platform/AppGroupContainer.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

TEST(AppGroupContainer, IsAPrivateFolderUnderTheDataHomeOrAbsentWhenItCannotBeHad) {
    testing_support::TempHome home;
    const auto folder = home.dataHome() / "Q4W9ZK2M7T.io.kestrow";
    fs::remove_all(home.dataHome());           // created on demand, parents included
    for (int round = 0; round < 2; ++round) {  // the second time round, a folder others could read is tightened
        EXPECT_EQ(Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow"), folder);
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
        fs::permissions(folder, fs::perms::others_read, fs::perm_options::add);
    }
    std::ofstream(home.dataHome() / "taken") << "a file, not a folder";
    for (const char* bad : {"", ".", "..", "a/b", "taken"}) EXPECT_FALSE(Platform::appGroupContainer(bad)) << bad;
}

// A folder refused for good reason is still a folder the user wonders about: the log says why, once
// while it lasts (the container is asked for on every scan), and again when it comes back.
TEST(AppGroupContainer, ASymbolicLinkInItsPlaceIsRefusedAndTheLogSaysWhyOnce) {
    testing_support::TempHome home;
    testing_support::TempDir elsewhere;
    Platform::LogCapture log;
    const auto folder = home.dataHome() / "Q4W9ZK2M7T.io.kestrow";
    const std::string why = "Vellumark: cannot use the App Group folder " + folder.string() + ": ";
    fs::create_directory_symlink(elsewhere.path(), folder);
    EXPECT_FALSE(Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow"));
    EXPECT_FALSE(Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow"));
    EXPECT_EQ(log.lines(), std::vector<std::string>{why + "is a symbolic link"});
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));

    fs::remove(folder);
    std::ofstream(folder) << "a file";
    EXPECT_FALSE(Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow"));
    fs::remove(folder);
    EXPECT_EQ(Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow"), folder);
    fs::remove(folder);
    fs::create_directory_symlink(elsewhere.path(), folder);
    EXPECT_FALSE(Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow"));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{why + "is a symbolic link", why + "is not a folder",
                                                     why + "is a symbolic link"}));
}

}  // namespace
