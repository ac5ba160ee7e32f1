#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "Platform/AppGroupContainer.h"
#include "support/TempHome.h"

namespace {

using testing_support::TempHome;

mode_t permissionBits(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mode & 0777;
}

TEST(AppGroupContainer, IsAPrivateFolderUnderTheDataHome) {
    TempHome home;
    std::filesystem::remove_all(home.dataHome());  // created on demand, parents included
    auto folder = Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow.v3lk");
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(*folder, home.dataHome() / "Q4W9ZK2M7T.io.kestrow.v3lk");
    EXPECT_TRUE(std::filesystem::is_directory(*folder));
    EXPECT_EQ(permissionBits(*folder), 0700u);

    chmod(folder->c_str(), 0755);  // a folder others could read is tightened
    EXPECT_EQ(Platform::appGroupContainer("Q4W9ZK2M7T.io.kestrow.v3lk"), folder);
    EXPECT_EQ(permissionBits(*folder), 0700u);
}

TEST(AppGroupContainer, IsAbsentWhenItCannotBeHad) {
    TempHome home;
    for (const char* bad : {"", ".", "..", "a/b"}) EXPECT_FALSE(Platform::appGroupContainer(bad).has_value()) << bad;
    std::ofstream(home.dataHome() / "taken") << "a file, not a folder";
    EXPECT_FALSE(Platform::appGroupContainer("taken").has_value());

    std::filesystem::remove_all(home.dataHome());
    std::ofstream(home.dataHome()) << "the data home is a file";
    EXPECT_FALSE(Platform::appGroupContainer("group").has_value());
}

}  // namespace
