// Scans started at the same moment from two threads run one after the other, and the second one
// computes CPU from the times the first one left. A stand-in docker tool, run by every scan while it
// holds the scan lock, notices when two of its runs overlap.

#include <gtest/gtest.h>

#include <fstream>
#include <latch>
#include <thread>

#include "App/Discovery/ProcessScanner.h"
#include "App/Docker/DockerTool.h"
#include "discovery/support/TestProcesses.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// Burns a second and a half of CPU, then listens and sits idle in accept(): ps's CPU figure (an
// average over the process's life) stays well above zero, while its use between two scans is nil.
constexpr const char* burnThenIdle = R"(
import socket, sys, time
end = time.process_time() + 1.5
while time.process_time() < end:
    pass
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(16)
while True:
    server.accept()[0].close()
)";

int lines(const fs::path& file) {
    std::ifstream in(file);
    int count = 0;
    for (std::string line; std::getline(in, line);) ++count;
    return count;
}

TEST(ScanSerialisation, TheSecondOfTwoSimultaneousScansMeasuresCPUSinceTheFirst) {
    if (!python3()) GTEST_SKIP() << "no python3";
    TempHome home;
    fs::create_directories(home.home() / "Development/busy");
    const int port = freePort();
    ChildProcess server({*python3(), "-c", burnThenIdle, std::to_string(port)}, home.home() / "Development/busy");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60)));
    ASSERT_GE(processInfo(server.pid())->cpuSeconds, 1.0);

    // Takes a folder as its lock: a run that cannot create it knows another run is under way. Each
    // run lasts half a second, far longer than the moment between two scans started together.
    TempDir state;
    const std::string folder = state.path().string();
    std::ofstream(state.path() / "docker") << "#!/bin/sh\nmkdir '" << folder << "/running' 2>/dev/null || echo >> '"
                                           << folder << "/overlaps'\necho >> '" << folder << "/runs'\nsleep 0.5\nrmdir '"
                                           << folder << "/running'\n";
    fs::permissions(state.path() / "docker", fs::perms::owner_all);
    fs::create_directories(home.home() / ".docker/run");
    std::ofstream(home.home() / ".docker/run/docker.sock") << "";  // any file there stands for the socket
    DockerScanner::Testing::setCLICandidates({{(state.path() / "docker").string()}});

    std::latch start(2);
    std::vector<DevProject> results[2];
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&start, &result] {
            start.arrive_and_wait();
            result = ProcessScanner::scan();
        });
    }
    for (auto& thread : threads) thread.join();
    DockerScanner::Testing::setCLICandidates(std::nullopt);
    EXPECT_EQ(lines(state.path() / "runs"), 2);
    EXPECT_EQ(lines(state.path() / "overlaps"), 0);

    double cpu[2] = {-1, -1};
    for (int i = 0; i < 2; ++i) {
        for (const auto& project : results[i]) {
            for (const auto& found : project.servers) {
                if (found.pid == server.pid()) cpu[i] = found.cpu;
            }
        }
    }
    ASSERT_TRUE(cpu[0] >= 0 && cpu[1] >= 0);
    // Whichever ran first knew no earlier time for this process and shows ps's lifetime average;
    // the other saw the first one's times and measured the idle time in between.
    EXPECT_GT(std::max(cpu[0], cpu[1]), 1.0);
    EXPECT_LT(std::min(cpu[0], cpu[1]), 0.5);
}

}  // namespace
