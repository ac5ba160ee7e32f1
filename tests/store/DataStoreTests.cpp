#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "Platform/WidgetCenter.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "store/SnapshotSamples.h"
#include "support/TempHome.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

class DataStoreTest : public ::testing::Test {
protected:
    DataStoreTest() : token_(Platform::WidgetCenter::addReloadHandler([this] { ++reloads; })) {}
    ~DataStoreTest() override { Platform::WidgetCenter::removeReloadHandler(token_); }

    std::atomic<int> reloads{0};
    Platform::LogCapture log;
    TempDir dir;

private:
    Platform::WidgetCenter::HandlerToken token_;
};

TEST_F(DataStoreTest, TheFirstWriteCreatesTheFolderAndEachAsksTheWidgetToReload) {
    testing_support::TempHome home;
    const auto container = home.dataHome() / std::string(AppGroup::identifier);
    ASSERT_FALSE(fs::exists(container));
    DataStore::write(sampleSnapshot(0));
    EXPECT_EQ(nlohmann::json::parse(Platform::readWholeFile(container / "snapshot.json").value_or("null")),
              nlohmann::json::parse(R"({"timestamp":"2026-12-05T20:18:14Z","projects":[]})"));
    DataStore::write(sampleSnapshot(3), dir.path() / "a" / "b");
    EXPECT_EQ(DataStore::read(dir.path() / "a" / "b"), sampleSnapshot(3));
    EXPECT_EQ(reloads, 2);

    std::ofstream(dir.path() / "file") << "x";
    DataStore::write(sampleSnapshot(1), dir.path() / "file" / "c");
    EXPECT_TRUE(log.contains("Vellumark: failed to create App Group directory: "));
    EXPECT_EQ(reloads, 2);
}

TEST_F(DataStoreTest, AFailedWriteKeepsThePreviousFileAndRequestsNoReload) {
    DataStore::write(sampleSnapshot(1), dir.path());
    const auto before = Platform::readWholeFile(dir.path() / "snapshot.json");
    {
        // Permission bits do not stop root; a file-size limit stops anyone.
        const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit previous {};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        struct rlimit limited = previous;
        limited.rlim_cur = before->size() + 16;
        ::setrlimit(RLIMIT_FSIZE, &limited);
        DataStore::write(sampleSnapshot(50), dir.path());
        ::setrlimit(RLIMIT_FSIZE, &previous);
        ::signal(SIGXFSZ, previousHandler);
    }
    EXPECT_TRUE(log.contains("Vellumark: failed to write snapshot: "));
    EXPECT_EQ(Platform::readWholeFile(dir.path() / "snapshot.json"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << "no temporary file left";
    EXPECT_EQ(reloads, 1);

    std::ofstream(dir.path() / "snapshot.json", std::ios::trunc) << before->substr(0, before->size() / 2);
    EXPECT_FALSE(DataStore::read(dir.path()).has_value()) << "a damaged file reads as no snapshot";
}

TEST_F(DataStoreTest, AReaderInAnotherProcessNeverSeesAPartialFile) {
    const std::string small = sampleSnapshot(1).encode(), large = sampleSnapshot(400).encode();
    ASSERT_GT(large.size(), 64u * 1024);
    DataStore::write(sampleSnapshot(1), dir.path());

    std::string peer = SNAPSHOT_WRITER_PEER, folder = dir.path().string(), count = "400";
    char* argv[] = {peer.data(), folder.data(), count.data(), nullptr};
    pid_t writer = 0;
    ASSERT_EQ(::posix_spawn(&writer, peer.c_str(), nullptr, nullptr, argv, environ), 0);
    int reads = 0, whole = 0, status = 0;
    while (::waitpid(writer, &status, WNOHANG) == 0) {
        const auto bytes = Platform::readWholeFile(dir.path() / "snapshot.json");
        whole += bytes == small || bytes == large;
        ++reads;
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(whole, reads);
    EXPECT_EQ(DataStore::read(dir.path()), sampleSnapshot(400));
}

}  // namespace
