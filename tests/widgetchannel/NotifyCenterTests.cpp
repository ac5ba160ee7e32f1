#include "Platform/NotifyCenter.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "Platform/NotifyFolders.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"
#include "widgetchannel/NotificationCounter.h"
#include "widgetchannel/PeerProcess.h"

namespace {

namespace fs = std::filesystem;
using Platform::NotifyCenter::Observation;
using Platform::NotifyCenter::observe;
using Platform::NotifyCenter::post;
using testing_support::TempHome;
using widgetchannel_tests::NotificationCounter;
using widgetchannel_tests::PeerProcess;

fs::path nameFolder(const TempHome& home, const std::string& folderName) {
    return home.runtimeDir() / "vellumark" / "notify" / folderName;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

// A socket file whose socket is closed: what an observer that crashed leaves behind.
void leaveStaleSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (saved_) ::setenv(name_, saved_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// ---- delivery ------------------------------------------------------------------------------------

TEST(NotifyCenter, APostReachesEveryObserverOfTheNameInThisProcess) {
    TempHome home;
    NotificationCounter first, second;
    const Observation a = observe("io.test.changed", first.callback());
    const Observation b = observe("io.test.changed", second.callback());
    ASSERT_TRUE(a.isActive());
    ASSERT_TRUE(b.isActive());
    post("io.test.changed");
    EXPECT_TRUE(first.waitFor(1));
    EXPECT_TRUE(second.waitFor(1));
}

TEST(NotifyCenter, APostReachesAnObserverInAnotherProcessAndBack) {
    TempHome home;
    PeerProcess peer({"observe", "io.test.crossing"});
    ASSERT_TRUE(peer.started());
    ASSERT_EQ(peer.readLine(), "ready");
    post("io.test.crossing");
    EXPECT_EQ(peer.readLine(), "notified");
    EXPECT_EQ(peer.wait(), 0);

    NotificationCounter heard;
    const Observation observation = observe("io.test.crossing.back", heard.callback());
    PeerProcess poster({"post", "io.test.crossing.back"});
    EXPECT_EQ(poster.wait(), 0);
    EXPECT_TRUE(heard.waitFor(1));
}

TEST(NotifyCenter, EveryPostAfterTheLastCallbackBringsAnotherOne) {
    TempHome home;
    NotificationCounter heard;
    const Observation observation = observe("io.test.repeat", heard.callback());
    for (int round = 1; round <= 50; ++round) {
        post("io.test.repeat");
        ASSERT_TRUE(heard.waitFor(round)) << "round " << round;
    }
}

TEST(NotifyCenter, NamesThatAreNoPlainFolderNamesStillWorkAndStayApart) {
    TempHome home;
    NotificationCounter slashed, dotted;
    const Observation a = observe("a/b", slashed.callback());
    const Observation b = observe("..", dotted.callback());
    ASSERT_TRUE(a.isActive());
    ASSERT_TRUE(b.isActive());
    post("a/b");
    post("..");
    EXPECT_TRUE(slashed.waitFor(1));
    EXPECT_TRUE(dotted.waitFor(1));
    EXPECT_TRUE(fs::is_directory(nameFolder(home, "a%2Fb")));
    EXPECT_TRUE(fs::is_directory(nameFolder(home, "%2E.")));
    EXPECT_FALSE(fs::exists(home.runtimeDir() / "vellumark" / "a"));
}

TEST(NotifyCenter, FolderNamesKeepPlainNamesAndRefuseUnusableOnes) {
    using Platform::NotifyFolders::folderName;
    EXPECT_EQ(folderName("io.kestrow.v3lk.widgetCommand"), "io.kestrow.v3lk.widgetCommand");
    EXPECT_EQ(folderName("a b/c%"), "a%20b%2Fc%25");
    EXPECT_EQ(folderName(".hidden"), "%2Ehidden");
    EXPECT_EQ(folderName(std::string("nul\0byte", 8)), "nul%00byte");
    EXPECT_EQ(folderName(""), std::nullopt);
    EXPECT_EQ(folderName(std::string(255, 'x')), std::string(255, 'x'));
    EXPECT_EQ(folderName(std::string(256, 'x')), std::nullopt);
    EXPECT_EQ(folderName(std::string(86, '/')), std::nullopt);  // 258 bytes once encoded
}

TEST(NotifyCenter, AnUnusableNameGivesAnInactiveObservationAndALogLine) {
    TempHome home;
    Platform::LogCapture log;
    const Observation observation = observe("", [] {});
    EXPECT_FALSE(observation.isActive());
    EXPECT_TRUE(log.contains("Vellumark: cannot observe notification : not a usable notification name"));
    post("");  // nothing to do, nothing to crash
}

// ---- observers that go -----------------------------------------------------------------------------

TEST(NotifyCenter, AnEndedObservationHearsNothingAndLeavesNoSocket) {
    TempHome home;
    NotificationCounter gone, staying;
    auto observation = std::make_unique<Observation>(observe("io.test.ending", gone.callback()));
    const Observation stays = observe("io.test.ending", staying.callback());
    EXPECT_EQ(entriesOf(nameFolder(home, "io.test.ending")).size(), 2u);
    observation.reset();
    EXPECT_EQ(entriesOf(nameFolder(home, "io.test.ending")).size(), 1u);
    post("io.test.ending");
    ASSERT_TRUE(staying.waitFor(1));
    EXPECT_EQ(gone.count(), 0);
}

TEST(NotifyCenter, APostRemovesTheSocketsOfObserversThatDiedWithoutEnding) {
    TempHome home;
    NotificationCounter heard;
    const Observation observation = observe("io.test.stale", heard.callback());
    const fs::path folder = nameFolder(home, "io.test.stale");
    leaveStaleSocket(folder / "99999-dead");
    ASSERT_EQ(entriesOf(folder).size(), 2u);
    post("io.test.stale");
    EXPECT_TRUE(heard.waitFor(1));
    EXPECT_FALSE(fs::exists(folder / "99999-dead"));
    EXPECT_EQ(entriesOf(folder).size(), 1u);
}

TEST(NotifyCenter, AnObservationMayEndFromInsideItsOwnCallback) {
    TempHome home;
    std::atomic<bool> ended{false};
    auto observation = std::make_shared<Observation>();
    NotificationCounter heard;
    auto callback = heard.callback();
    *observation = observe("io.test.self", [observation = std::weak_ptr<Observation>(observation), &ended, callback] {
        if (auto alive = observation.lock()) *alive = Observation();
        ended = true;
        callback();
    });
    post("io.test.self");
    ASSERT_TRUE(heard.waitFor(1));
    EXPECT_TRUE(ended);
    EXPECT_FALSE(observation->isActive());
    EXPECT_TRUE(entriesOf(nameFolder(home, "io.test.self")).empty());
}

TEST(NotifyCenter, ACallbackThatThrowsIsLoggedAndObservingGoesOn) {
    TempHome home;
    Platform::LogCapture log;
    NotificationCounter heard;
    auto count = heard.callback();
    const Observation observation = observe("io.test.throws", [count] {
        count();
        throw std::runtime_error("boom");
    });
    post("io.test.throws");
    ASSERT_TRUE(heard.waitFor(1));
    post("io.test.throws");
    ASSERT_TRUE(heard.waitFor(2));
    EXPECT_TRUE(log.contains("Vellumark: notification callback for io.test.throws failed: boom"));
}

TEST(NotifyCenter, ObserversComingAndGoingWhilePostsFlyLeaveOnlyTheLiveSockets) {
    TempHome home;
    NotificationCounter steady;
    const Observation observation = observe("io.test.churn", steady.callback());
    std::atomic<bool> stop{false};
    std::vector<std::thread> posters;
    for (int i = 0; i < 3; ++i) {
        posters.emplace_back([&] {
            while (!stop) post("io.test.churn");
        });
    }
    std::vector<std::thread> churners;
    for (int i = 0; i < 3; ++i) {
        churners.emplace_back([] {
            for (int round = 0; round < 40; ++round) {
                const Observation brief = observe("io.test.churn", [] {});
                EXPECT_TRUE(brief.isActive());
            }
        });
    }
    for (std::thread& thread : churners) thread.join();
    stop = true;
    for (std::thread& thread : posters) thread.join();
    EXPECT_TRUE(steady.waitFor(1));
    EXPECT_EQ(entriesOf(nameFolder(home, "io.test.churn")).size(), 1u);
}

// ---- where the sockets live -----------------------------------------------------------------------

TEST(NotifyCenter, ADeepRuntimeFolderStillWorks) {
    TempHome home;
    const fs::path deep = home.runtimeDir() / std::string(60, 'd') / std::string(60, 'e');
    fs::create_directories(deep);
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", deep.c_str());
    NotificationCounter heard;
    const Observation observation = observe("io.kestrow.v3lk.widgetCommand", heard.callback());
    ASSERT_TRUE(observation.isActive());
    const fs::path socketPath = deep / "vellumark/notify/io.kestrow.v3lk.widgetCommand/x";
    ASSERT_GT(socketPath.string().size(), sizeof(sockaddr_un::sun_path));
    post("io.kestrow.v3lk.widgetCommand");
    EXPECT_TRUE(heard.waitFor(1));
}

TEST(NotifyCenter, WithoutARuntimeFolderAPrivateTemporaryFolderIsUsed) {
    TempHome home;
    testing_support::TempDir temporary;
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnvironment tmpdir("TMPDIR", temporary.path().c_str());
    NotificationCounter heard;
    const Observation observation = observe("io.test.fallback", heard.callback());
    ASSERT_TRUE(observation.isActive());
    post("io.test.fallback");
    EXPECT_TRUE(heard.waitFor(1));
    const fs::path root = temporary.path() / ("vellumark-" + std::to_string(::geteuid()));
    EXPECT_TRUE(fs::is_directory(root / "notify" / "io.test.fallback"));
    EXPECT_EQ(fs::status(root).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(NotifyCenter, AFolderOthersCouldEnterIsMadePrivate) {
    TempHome home;
    fs::create_directories(home.runtimeDir() / "vellumark");
    fs::permissions(home.runtimeDir() / "vellumark", fs::perms::all, fs::perm_options::replace);
    const Observation observation = observe("io.test.private", [] {});
    ASSERT_TRUE(observation.isActive());
    EXPECT_EQ(fs::status(home.runtimeDir() / "vellumark").permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(NotifyCenter, ASymbolicLinkInPlaceOfTheFolderIsRefused) {
    TempHome home;
    testing_support::TempDir elsewhere;
    fs::create_symlink(elsewhere.path(), home.runtimeDir() / "vellumark");
    Platform::LogCapture log;
    const Observation observation = observe("io.test.link", [] {});
    EXPECT_FALSE(observation.isActive());
    EXPECT_TRUE(log.contains("vellumark: is a symbolic link"));
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST(NotifyCenter, AFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "making a folder of another user needs root";
    TempHome home;
    testing_support::TempDir temporary;
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnvironment tmpdir("TMPDIR", temporary.path().c_str());
    // What someone else could have made first in a shared /tmp.
    const fs::path planted = temporary.path() / ("vellumark-" + std::to_string(::geteuid()));
    fs::create_directories(planted / "notify" / "io.test.planted");
    for (const fs::path& folder : {planted, planted / "notify", planted / "notify" / "io.test.planted"}) {
        ASSERT_EQ(::chown(folder.c_str(), 12345, 12345), 0);
        fs::permissions(folder, fs::perms::all, fs::perm_options::replace);
    }
    leaveStaleSocket(planted / "notify" / "io.test.planted" / "their-socket");

    Platform::LogCapture log;
    const Observation observation = observe("io.test.planted", [] {});
    EXPECT_FALSE(observation.isActive());
    EXPECT_TRUE(log.contains("belongs to another user"));
    post("io.test.planted");
    EXPECT_TRUE(fs::exists(planted / "notify" / "io.test.planted" / "their-socket"));  // not touched
}

TEST(NotifyCenter, APostToANameNobodyObservesCreatesNothing) {
    TempHome home;
    post("io.test.nobody");
    EXPECT_FALSE(fs::exists(home.runtimeDir() / "vellumark"));
}

}  // namespace
