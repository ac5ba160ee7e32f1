// One instance per user: the lock and the socket in the private runtime folder, in one process,
// where every claim opens the lock file anew and so competes like a process of its own would. (Two
// real programs, one killed with SIGKILL: ApplicationEndToEndTests.)

#include "Platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <thread>
#include <vector>

#include "Platform/Dispatch.h"
#include "Platform/UniqueFd.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Platform::SingleInstance::claim;
using Role = Platform::SingleInstance::Launch::Role;
namespace Dispatch = Platform::Dispatch;

// A socket file nobody listens on, as an instance killed outright leaves it.
void leaveStaleSocket(const fs::path& path) {
    const Platform::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM, 0));
    sockaddr_un address{AF_UNIX, {}};
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
}

TEST(SingleInstance, LaterLaunchesAreAnsweredAndTheLockAndAStaleSocketGoWithTheirHolder) {
    testing_support::TempHome home;
    const fs::path folder = home.runtimeDir() / "vellumark";
    fs::create_directories(folder);
    leaveStaleSocket(folder / "instance.socket");

    Dispatch::MainQueue::reset();
    auto first = claim();
    ASSERT_EQ(first.role, Role::first) << first.reason;
    int requests = 0;
    first.listener->serve([&] { ++requests; });
    EXPECT_EQ(claim(5s).role, Role::handedOver) << "the stale socket was replaced";
    EXPECT_EQ(claim(5s).role, Role::handedOver);
    EXPECT_TRUE(Dispatch::MainLoop::runUntil([&] { return requests == 2; }, 10s)) << requests;
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);

    // A launch that waits while the holder is still starting (not answering yet) takes over when
    // the holder ends instead.
    first.listener.reset();
    EXPECT_FALSE(fs::exists(folder / "instance.socket"));
    auto starting = claim();
    ASSERT_EQ(starting.role, Role::first);
    auto waiting = std::async(std::launch::async, [] { return claim(20s); });
    ASSERT_EQ(waiting.wait_for(300ms), std::future_status::timeout) << "it waits for an answer";
    starting.listener.reset();
    const auto tookOver = waiting.get();
    EXPECT_EQ(tookOver.role, Role::first);
    ASSERT_TRUE(tookOver.listener);

    // One that never answers gets no second instance beside it.
    const auto unanswered = claim(300ms);
    EXPECT_EQ(unanswered.role, Role::noAnswer);
    EXPECT_EQ(unanswered.reason, (folder / "instance.socket").string() + ": no answer within 300 ms");
}

TEST(SingleInstance, OfManyLaunchesAtOnceExactlyOneRunsAndTheOthersHandOverToIt) {
    testing_support::TempHome home;
    Dispatch::MainQueue::reset();
    int requests = 0;
    std::vector<Platform::SingleInstance::Launch> launches(12);
    std::vector<std::thread> threads;
    std::atomic<bool> go = false;
    for (auto& launch : launches) {
        threads.emplace_back([&] {
            while (!go) std::this_thread::yield();
            launch = claim(30s);
            if (launch.listener) launch.listener->serve([&] { ++requests; });
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(std::ranges::count(launches, Role::first, &Platform::SingleInstance::Launch::role), 1);
    EXPECT_EQ(std::ranges::count(launches, Role::handedOver, &Platform::SingleInstance::Launch::role), 11);
    EXPECT_TRUE(Dispatch::MainLoop::runUntil([&] { return requests == 11; }, 10s)) << requests;
}

TEST(SingleInstance, ALinkPlantedAsTheLockFileIsNeitherFollowedNorTakenForAnInstance) {
    testing_support::TempHome home;
    testing_support::TempDir elsewhere;
    const fs::path folder = home.runtimeDir() / "vellumark";
    fs::create_directories(folder);
    fs::create_symlink(elsewhere.path() / "target", folder / "instance.lock");
    const auto launch = claim(1s);
    EXPECT_EQ(launch.role, Role::unchecked);
    EXPECT_EQ(launch.reason, (folder / "instance.lock").string() + ": Too many levels of symbolic links");
    EXPECT_FALSE(fs::exists(elsewhere.path() / "target"));
}

}  // namespace
