#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

// That a reader in another process never sees a partial file is tested through DataStore, whose
// every write goes through here.
TEST(AtomicFile, ReplacesTheFileOrSaysWhyLeavingTheOldOneAndNoTemporaryFiles) {
    testing_support::TempDir dir;
    const auto target = dir.path() / "snapshot.json";
    EXPECT_FALSE(Platform::writeFileAtomically(target, "old").has_value());
    EXPECT_FALSE(Platform::writeFileAtomically(target, std::string("a\0b\xff", 4)).has_value());
    EXPECT_EQ(Platform::readWholeFile(target, 1 << 20), std::string("a\0b\xff", 4));
    EXPECT_FALSE(Platform::readWholeFile(dir.path() / "absent", 1 << 20).has_value());
    const auto error = Platform::writeFileAtomically(dir.path() / "missing" / "file.json", "x");
    EXPECT_NE(error.value_or("").find("No such file or directory"), std::string::npos) << error.value_or("");
    fs::create_directories(dir.path() / "occupied" / "inside");  // a folder cannot be replaced by a file
    EXPECT_TRUE(Platform::writeFileAtomically(dir.path() / "occupied", "x").has_value());
    EXPECT_TRUE(fs::exists(dir.path() / "occupied" / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "a temporary file was left";
}

// A reader's limit holds for what is read, not for the size the file states: a sparse terabyte
// states its size and is refused at once, a file in /proc states none and is refused once more
// than the limit has arrived. Neither is taken into memory.
TEST(AtomicFile, AFileLargerThanTheReadersLimitIsRefusedAndLoggedWhateverSizeItStates) {
    testing_support::TempDir dir;
    const auto sparse = dir.path() / "sparse";
    std::ofstream(sparse).close();
    fs::resize_file(sparse, std::uintmax_t{1} << 40);
    Platform::LogCapture log;
    EXPECT_FALSE(Platform::readWholeFile(sparse, 1 << 20).has_value());
    EXPECT_TRUE(log.contains("Vellumark: not reading " + sparse.string() + ": larger than 1048576 bytes"));

    const std::string maps = Platform::readWholeFile("/proc/self/maps", 16 << 20).value_or("");
    ASSERT_GT(maps.size(), 100u);
    EXPECT_FALSE(Platform::readWholeFile("/proc/self/maps", 100).has_value());
    EXPECT_TRUE(log.contains("Vellumark: not reading /proc/self/maps: larger than 100 bytes"));

    const auto exact = dir.path() / "exact";
    std::ofstream(exact) << "12345";
    EXPECT_EQ(Platform::readWholeFile(exact, 5), "12345");
    EXPECT_FALSE(Platform::readWholeFile(exact, 4).has_value());
}

}  // namespace
