// Notifications between the user's processes. The peer program plays the widget: it queues commands
// while this process drains on every notification the way the application does (callback → main
// queue → drain). (The widget's timeline hears a reload request the same way: WidgetHostTests.) And
// the folders the sockets live in: one per name whatever the name holds, private to the user,
// refused when someone else could control them.

#include "Platform/NotifyCenter.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <numeric>

#include "Platform/Dispatch.h"
#include "Platform/SystemLog.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace {

namespace fs = std::filesystem;
using Platform::NotifyCenter::observe;
using Platform::NotifyCenter::post;
namespace Dispatch = Platform::Dispatch;
using testing_support::ChildProcess;

TEST(WidgetChannelAcrossProcesses, AThousandCommandsFromTheWidgetAreEachExecutedOnce) {
    testing_support::TempHome home;
    Dispatch::MainQueue::reset();
    std::vector<std::int64_t> executed;
    const auto drain = [&] {
        for (const WidgetCommandQueue::Batch& batch : WidgetCommandQueue::tryDrain(std::chrono::seconds(2)).batches) {
            for (const WidgetCommand& command : batch.commands)
                executed.push_back(std::get<WidgetCommand::OpenLocalhost>(command.action).port);
        }
    };
    {
        const auto observation =
            observe(std::string(WidgetCommandQueue::notificationName), [&] { Dispatch::mainAsync(drain); });
        ASSERT_TRUE(observation.isActive());
        ChildProcess widget({WIDGET_CHANNEL_PEER, "enqueue", "1", "1000"});
        // Every command arrives through a notification; the limit only keeps a lost one from
        // hanging the run.
        EXPECT_TRUE(Dispatch::MainLoop::runUntil([&] { return widget.hasExited() && executed.size() >= 1000; },
                                                 std::chrono::minutes(3)))
            << executed.size() << " commands executed";
        EXPECT_EQ(widget.exitCode(), 0);
    }
    Dispatch::MainQueue::reset();  // drains still queued would outlive `executed`
    drain();                       // anything left over would be a command lost until now
    std::vector<std::int64_t> expected(1000);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(executed, expected);
    EXPECT_FALSE(std::filesystem::exists(*AppGroup::containerURL() / WidgetCommandQueue::fileName));
}

TEST(NotifyCenter, ANameStaysInItsOwnPrivateFolderAndAFolderOthersControlIsRefused) {
    testing_support::TempHome home;
    Platform::LogCapture log;
    const fs::path folder = home.runtimeDir() / "vellumark";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::all, fs::perm_options::replace);
    std::atomic<int> slashed = 0, dots = 0;
    const auto a = observe("a/b", [&] { ++slashed; }), b = observe("..", [&] { ++dots; });
    post("a/b");
    post("..");
    EXPECT_TRUE(testing_support::waitUntil([&] { return slashed == 1 && dots == 1; }));
    EXPECT_FALSE(fs::exists(folder / "a")) << "a name never reaches outside its own folder";
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(observe("", [] {}).isActive());
    EXPECT_TRUE(log.contains("Vellumark: cannot observe notification : not a usable notification name"));

    testing_support::TempDir elsewhere;
    fs::create_symlink(elsewhere.path(), folder / "notify" / "io.test.link");
    EXPECT_FALSE(observe("io.test.link", [] {}).isActive());
    EXPECT_TRUE(log.contains("io.test.link: is a symbolic link"));
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));

    if (::geteuid() != 0) GTEST_SKIP() << "making a folder of another user needs root";
    // What someone else could have made first, as in a shared /tmp, with a socket of theirs in it.
    const fs::path planted = folder / "notify" / "io.test.planted";
    fs::create_directories(planted);
    ASSERT_EQ(::chown(planted.c_str(), 12345, 12345), 0);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (planted / "theirs").c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    EXPECT_FALSE(observe("io.test.planted", [] {}).isActive());
    EXPECT_TRUE(log.contains("io.test.planted: belongs to another user"));
    post("io.test.planted");
    EXPECT_TRUE(fs::exists(planted / "theirs")) << "not touched";
}

// An observer killed with SIGKILL leaves its socket behind, and in the folder of a name nobody posts
// it stays for good (380 kills, 383 sockets): the sweep at start removes such sockets, and only
// those. A living observer keeps its socket and still hears posts.
TEST(NotifyCenter, TheSweepAtStartRemovesTheSocketsOfKilledObserversOnly) {
    testing_support::TempHome home;
    const fs::path notify = home.runtimeDir() / "vellumark" / "notify";
    const auto sockets = [&](const char* name) {
        std::error_code missing;
        return std::distance(fs::directory_iterator(notify / name, missing), {});
    };
    std::atomic<int> heard = 0;
    const auto living = observe("io.test.swept", [&] { ++heard; });
    // Another process, not a fork of this one: a fork of a process with threads may not start threads.
    auto killed = std::make_unique<ChildProcess>(
        std::vector<std::string>{WIDGET_CHANNEL_PEER, "observe", "io.test.swept", "io.test.unposted"});
    const bool observing = testing_support::waitUntil([&] { return sockets("io.test.unposted") == 1; }) &&
                           testing_support::waitUntil([&] { return sockets("io.test.swept") == 2; });
    killed.reset();  // SIGKILL
    ASSERT_TRUE(observing);
    ASSERT_EQ(sockets("io.test.swept"), 2) << "the killed observer removed its own socket";

    Platform::NotifyCenter::removeStaleObservers();
    EXPECT_EQ(sockets("io.test.unposted"), 0);
    EXPECT_EQ(sockets("io.test.swept"), 1);
    post("io.test.swept");
    EXPECT_TRUE(testing_support::waitUntil([&] { return heard == 1; }));
}

}  // namespace
