#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "Platform/UniqueFd.h"
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

// A writer killed between creating its temporary file and renaming it leaves the file behind (380
// kills, a 64 KB snapshot.json.XXXXXX). At start such files go: the targets' own, no longer held
// by a writer, unchanged for a while. Anything else stays.
TEST(AtomicFile, LeftoverTemporaryFilesOfTheTargetsGoAndWhatAWriterHoldsOrOthersOwnStays) {
    testing_support::TempDir dir;
    const auto make = [&](const std::string& name, bool old) {
        std::ofstream(dir.path() / name) << "{\"projects\":[";
        if (old) fs::last_write_time(dir.path() / name, fs::last_write_time(dir.path() / name) - std::chrono::hours(1));
    };
    for (const char* name : {"snapshot.json.k1LLed", "queue.json.0ld000", "snapshot.json.Held00", "other.json.k1LLed",
                             "snapshot.json.draining", "snapshot.json.k1-Led", "snapshot.json"})
        make(name, true);
    make("snapshot.json.Fresh0", false);  // a writer may be between creating and locking it
    fs::create_symlink(dir.path() / "snapshot.json", dir.path() / "snapshot.json.L1nk00");
    const Platform::UniqueFd writer(::open((dir.path() / "snapshot.json.Held00").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);

    Platform::LogCapture log;
    Platform::removeLeftoverTemporaryFiles(
        dir.path(), [](std::string_view target) { return target == "snapshot.json" || target == "queue.json"; });
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path())) left.push_back(entry.path().filename());
    std::ranges::sort(left);
    EXPECT_EQ(left, (std::vector<std::string>{"other.json.k1LLed", "snapshot.json", "snapshot.json.Fresh0",
                                              "snapshot.json.Held00", "snapshot.json.L1nk00", "snapshot.json.draining",
                                              "snapshot.json.k1-Led"}));
    EXPECT_TRUE(log.contains("Vellumark: removed 2 temporary files that a stopped run left in " + dir.path().string()));
}

}  // namespace
