#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>

#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "Platform/WidgetCenter.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "store/SnapshotSamples.h"
#include "support/ForkedChild.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace {

namespace fs = std::filesystem;

class DataStoreTest : public ::testing::Test {
protected:
    DataStoreTest() : token_(Platform::WidgetCenter::addReloadHandler([this] { ++reloads; })) {}
    ~DataStoreTest() override { Platform::WidgetCenter::removeReloadHandler(token_); }

    std::atomic<int> reloads{0};
    Platform::LogCapture log;
    testing_support::TempDir dir;

private:
    Platform::WidgetCenter::HandlerToken token_;
};

fs::perms permissionsOf(const fs::path& path) { return fs::symlink_status(path).permissions(); }

// Under umask 000 too: the folders it makes are the user's alone, and so is the file.
TEST_F(DataStoreTest, TheFirstWriteCreatesPrivateFoldersAndEachAsksTheWidgetToReload) {
    testing_support::TempHome home;
    fs::remove_all(home.home() / ".local");
    const auto container = home.dataHome() / std::string(AppGroup::identifier);
    const mode_t umaskBefore = ::umask(0);
    DataStore::write(sampleSnapshot(0));
    ::umask(umaskBefore);
    EXPECT_EQ(DataStore::read(container), sampleSnapshot(0));
    EXPECT_EQ(reloads, 1);
    for (const fs::path& folder : {home.home() / ".local", home.dataHome(), container})
        EXPECT_EQ(permissionsOf(folder), fs::perms::owner_all) << folder;
    EXPECT_EQ(permissionsOf(container / DataStore::fileName), fs::perms::owner_read | fs::perms::owner_write);

    std::ofstream(dir.path() / "file") << "x";
    DataStore::write(sampleSnapshot(1), dir.path() / "file" / "c");
    EXPECT_TRUE(log.contains("Vellumark: failed to create App Group directory: "));
    EXPECT_EQ(reloads, 1);
}

TEST_F(DataStoreTest, AFailedWriteKeepsThePreviousFileAndRequestsNoReload) {
    DataStore::write(sampleSnapshot(1), dir.path());
    const auto before = Platform::readWholeFile(dir.path() / "snapshot.json", DataStore::maximumFileSize);
    // Permission bits do not stop root; a file-size limit stops anyone.
    const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit limited{before->size() + 16, previous.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limited);
    DataStore::write(sampleSnapshot(50), dir.path());
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(log.contains("Vellumark: failed to write snapshot: "));
    EXPECT_EQ(Platform::readWholeFile(dir.path() / "snapshot.json", DataStore::maximumFileSize), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << "no temporary file left";
    EXPECT_EQ(reloads, 1);
}

// A snapshot.json no application writes: a sparse terabyte must not be taken into memory, and one
// nested millions of levels deep must not be built up; either is no snapshot, and says so.
TEST_F(DataStoreTest, ASnapshotLargerThanAnyOrNestedTooDeepIsNoSnapshot) {
    const fs::path file = dir.path() / DataStore::fileName;
    std::ofstream(file).close();
    fs::resize_file(file, std::uintmax_t{1} << 40);
    EXPECT_EQ(DataStore::read(dir.path()), std::nullopt);
    EXPECT_TRUE(log.contains("Vellumark: not reading " + file.string() + ": larger than "));

    std::ofstream(file, std::ios::trunc) << std::string(8'000'000, '[');
    const testing_support::ChildOutcome child = testing_support::runInChild(
        [&] { return DataStore::read(dir.path()) ? "a snapshot read from a nested file" : ""; });
    ASSERT_TRUE(child.finished) << child.ending;
    EXPECT_EQ(child.problems, "");
    EXPECT_LT(child.peakGrowthKiB, 64 * 1024) << "the nesting was built up";
}

TEST_F(DataStoreTest, AReaderInAnotherProcessNeverSeesAPartialFile) {
    const std::string small = sampleSnapshot(1).encode(), large = sampleSnapshot(400).encode();
    ASSERT_GT(large.size(), 64u * 1024);
    DataStore::write(sampleSnapshot(1), dir.path());
    testing_support::ChildProcess writer({SNAPSHOT_WRITER_PEER, dir.path().string(), "400"});
    int reads = 0, whole = 0;
    while (!writer.hasExited()) {
        const auto bytes = Platform::readWholeFile(dir.path() / "snapshot.json", DataStore::maximumFileSize);
        whole += bytes == small || bytes == large;
        ++reads;
    }
    ASSERT_EQ(writer.exitCode(), 0);
    EXPECT_EQ(whole, reads);
    EXPECT_EQ(DataStore::read(dir.path()), sampleSnapshot(400));
}

}  // namespace
