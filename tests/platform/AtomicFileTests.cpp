#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Platform/AtomicFile.h"
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
    EXPECT_EQ(Platform::readWholeFile(target), std::string("a\0b\xff", 4));
    EXPECT_FALSE(Platform::readWholeFile(dir.path() / "absent").has_value());
    const auto error = Platform::writeFileAtomically(dir.path() / "missing" / "file.json", "x");
    EXPECT_NE(error.value_or("").find("No such file or directory"), std::string::npos) << error.value_or("");
    fs::create_directories(dir.path() / "occupied" / "inside");  // a folder cannot be replaced by a file
    EXPECT_TRUE(Platform::writeFileAtomically(dir.path() / "occupied", "x").has_value());
    EXPECT_TRUE(fs::exists(dir.path() / "occupied" / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "a temporary file was left";
}

}  // namespace
