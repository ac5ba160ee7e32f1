// Notifications between the user's processes: delivery, observers that go, and the folder the
// sockets live in, which nobody else may control.

#include "Platform/NotifyCenter.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

#include "Platform/SystemLog.h"
#include "support/TempHome.h"
#include "widgetchannel/NotificationCounter.h"

namespace {

namespace fs = std::filesystem;
using Platform::NotifyCenter::Observation;
using Platform::NotifyCenter::observe;
using Platform::NotifyCenter::post;
using testing_support::TempHome;
using widgetchannel_tests::NotificationCounter;

std::size_t socketsFor(const TempHome& home, const std::string& folderName) {
    const fs::path folder = home.runtimeDir() / "vellumark" / "notify" / folderName;
    return std::distance(fs::directory_iterator(folder), {});
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

TEST(NotifyCenter, EveryPostReachesEachObserverOfItsNameAndNoOther) {
    TempHome home;
    NotificationCounter first, second, slashed, dots, other;
    const Observation a = observe("io.test.changed", first.callback());
    const Observation b = observe("io.test.changed", second.callback());
    const Observation c = observe("a/b", slashed.callback());
    const Observation d = observe("..", dots.callback());
    const Observation e = observe("io.test.other", other.callback());
    post("a/b");
    post("..");
    for (int round = 1; round <= 50; ++round) {
        post("io.test.changed");
        ASSERT_TRUE(first.waitFor(round)) << "round " << round;
    }
    EXPECT_TRUE(second.waitFor(1));
    EXPECT_TRUE(slashed.waitFor(1));
    EXPECT_TRUE(dots.waitFor(1));
    EXPECT_EQ(other.count(), 0);
    EXPECT_FALSE(fs::exists(home.runtimeDir() / "vellumark" / "a")) << "a name is one folder, whatever it holds";

    Platform::LogCapture log;
    EXPECT_FALSE(observe("", [] {}).isActive());
    EXPECT_TRUE(log.contains("Vellumark: cannot observe notification : not a usable notification name"));
}

TEST(NotifyCenter, GoneObserversHearNothingAndTheirSocketsGo) {
    TempHome home;
    NotificationCounter gone, staying;
    auto ended = std::make_unique<Observation>(observe("io.test.ending", gone.callback()));
    const Observation stays = observe("io.test.ending", staying.callback());
    ended.reset();
    EXPECT_EQ(socketsFor(home, "io.test.ending"), 1u);
    leaveStaleSocket(home.runtimeDir() / "vellumark/notify/io.test.ending/99999-dead");
    post("io.test.ending");
    ASSERT_TRUE(staying.waitFor(1));
    EXPECT_EQ(gone.count(), 0);
    EXPECT_EQ(socketsFor(home, "io.test.ending"), 1u) << "the post removed the dead observer's socket";

    // An observation may end from inside its own callback.
    auto self = std::make_shared<Observation>();
    NotificationCounter heard;
    *self = observe("io.test.self", [self = std::weak_ptr<Observation>(self), count = heard.callback()] {
        if (auto alive = self.lock()) *alive = Observation();
        count();
    });
    post("io.test.self");
    ASSERT_TRUE(heard.waitFor(1));
    EXPECT_FALSE(self->isActive());
    EXPECT_EQ(socketsFor(home, "io.test.self"), 0u);
}

TEST(NotifyCenter, ACallbackThatThrowsIsLoggedAndObservingGoesOn) {
    TempHome home;
    Platform::LogCapture log;
    NotificationCounter heard;
    const Observation observation = observe("io.test.throws", [count = heard.callback()] {
        count();
        throw std::runtime_error("boom");
    });
    post("io.test.throws");
    ASSERT_TRUE(heard.waitFor(1));
    post("io.test.throws");
    ASSERT_TRUE(heard.waitFor(2));
    EXPECT_TRUE(log.contains("Vellumark: notification callback for io.test.throws failed: boom"));
}

TEST(NotifyCenter, AnOpenFolderIsMadePrivateAndALinkInItsPlaceIsRefused) {
    TempHome home;
    const fs::path folder = home.runtimeDir() / "vellumark";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::all, fs::perm_options::replace);
    EXPECT_TRUE(observe("io.test.private", [] {}).isActive());
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);

    fs::remove_all(folder);
    testing_support::TempDir elsewhere;
    fs::create_symlink(elsewhere.path(), folder);
    Platform::LogCapture log;
    EXPECT_FALSE(observe("io.test.link", [] {}).isActive());
    EXPECT_TRUE(log.contains("vellumark: is a symbolic link"));
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST(NotifyCenter, AFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "making a folder of another user needs root";
    TempHome home;
    // What someone else could have made first, as in a shared /tmp.
    const fs::path planted = home.runtimeDir() / "vellumark";
    fs::create_directories(planted / "notify" / "io.test.planted");
    for (const fs::path& folder : {planted, planted / "notify", planted / "notify" / "io.test.planted"}) {
        ASSERT_EQ(::chown(folder.c_str(), 12345, 12345), 0);
        fs::permissions(folder, fs::perms::all, fs::perm_options::replace);
    }
    leaveStaleSocket(planted / "notify" / "io.test.planted" / "their-socket");

    Platform::LogCapture log;
    EXPECT_FALSE(observe("io.test.planted", [] {}).isActive());
    EXPECT_TRUE(log.contains("belongs to another user"));
    post("io.test.planted");
    EXPECT_TRUE(fs::exists(planted / "notify" / "io.test.planted" / "their-socket")) << "not touched";
}

}  // namespace
