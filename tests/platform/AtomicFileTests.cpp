#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "Platform/AtomicFile.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

TEST(AtomicFile, ReplacesTheFileOrSaysWhyLeavingTheOldOneAndNoTemporaryFiles) {
    testing_support::TempDir dir;
    const auto target = dir.path() / "snapshot.json";
    EXPECT_FALSE(Platform::writeFileAtomically(target, "old").has_value());
    EXPECT_FALSE(Platform::writeFileAtomically(target, std::string("a\0b\xff", 4)).has_value());
    EXPECT_EQ(Platform::readWholeFile(target), std::string("a\0b\xff", 4));
    EXPECT_FALSE(Platform::readWholeFile(dir.path() / "absent").has_value());
    const auto error = Platform::writeFileAtomically(dir.path() / "missing" / "file.json", "x");
    EXPECT_NE(error.value_or("").find("No such file or directory"), std::string::npos) << error.value_or("");
    fs::create_directories(dir.path() / "occupied" / "inside");  // a folder cannot be replaced by a file
    EXPECT_TRUE(Platform::writeFileAtomically(dir.path() / "occupied", "x").has_value());
    EXPECT_TRUE(fs::exists(dir.path() / "occupied" / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "a temporary file was left";
}

TEST(AtomicFile, AReaderInAnotherProcessNeverSeesAPartialFile) {
    testing_support::TempDir dir;
    const auto target = dir.path() / "big.txt";
    const std::string first(2 << 20, 'a'), second(3 << 20, 'b');
    ASSERT_FALSE(Platform::writeFileAtomically(target, first).has_value());
    pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        for (int i = 0; i < 40; ++i)
            if (Platform::writeFileAtomically(target, i % 2 ? first : second)) _exit(1);
        _exit(0);
    }
    int partialReads = 0, status = 0;
    while (waitpid(writer, &status, WNOHANG) == 0) {
        const auto contents = Platform::readWholeFile(target);
        partialReads += !contents || !(*contents == first || *contents == second);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer failed: " << status;
    EXPECT_EQ(partialReads, 0);
}

}  // namespace
