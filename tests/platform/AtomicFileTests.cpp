#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "Platform/AtomicFile.h"
#include "support/TempHome.h"

namespace {

using testing_support::TempDir;

std::size_t entriesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(AtomicFile, WritesReplacesAndLeavesNoTemporaryFiles) {
    TempDir dir;
    auto target = dir.path() / "snapshot.json";
    std::string binary("a\0b\xff", 4);
    EXPECT_FALSE(Platform::writeFileAtomically(target, "first").has_value());
    EXPECT_FALSE(Platform::writeFileAtomically(target, binary).has_value());
    EXPECT_EQ(Platform::readWholeFile(target), binary);
    EXPECT_FALSE(Platform::writeFileAtomically(target, "").has_value());
    EXPECT_EQ(Platform::readWholeFile(target), "");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    EXPECT_FALSE(Platform::readWholeFile(dir.path() / "absent").has_value());
}

TEST(AtomicFile, FailureKeepsTheOldFileAndReportsWhy) {
    TempDir dir;
    auto target = dir.path() / "keep.json";
    ASSERT_FALSE(Platform::writeFileAtomically(target, "old").has_value());

    auto missingFolder = dir.path() / "missing" / "file.json";
    auto error = Platform::writeFileAtomically(missingFolder, "x");
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("No such file or directory"), std::string::npos) << *error;

    // A folder in the target's place cannot be replaced by a file.
    std::filesystem::create_directory(dir.path() / "occupied");
    EXPECT_TRUE(Platform::writeFileAtomically(dir.path() / "occupied", "x").has_value());

    if (geteuid() != 0) {  // root ignores folder permissions
        std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_TRUE(Platform::writeFileAtomically(target, "new").has_value());
        std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    }
    EXPECT_EQ(Platform::readWholeFile(target), "old");
    EXPECT_EQ(entriesIn(dir.path()), 2u);  // keep.json and the occupied folder
}

TEST(AtomicFile, ReaderInAnotherProcessNeverSeesAPartialFile) {
    TempDir dir;
    auto target = dir.path() / "big.txt";
    const std::string first(2 << 20, 'a');
    const std::string second(3 << 20, 'b');
    ASSERT_FALSE(Platform::writeFileAtomically(target, first).has_value());

    pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        for (int i = 0; i < 40; ++i) {
            if (Platform::writeFileAtomically(target, i % 2 ? first : second)) _exit(1);
        }
        _exit(0);
    }
    int partialReads = 0, reads = 0;
    int status = 0;
    while (waitpid(writer, &status, WNOHANG) == 0) {
        auto contents = Platform::readWholeFile(target);
        ++reads;
        if (!contents || !(*contents == first || *contents == second)) ++partialReads;
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(partialReads, 0);
}

}  // namespace
