// Scans started at the same moment from two threads run one after the other, and the second one
// computes CPU from the times the first one left. A stand-in docker tool, run by every scan while it
// holds the scan lock, notices when two of its runs overlap.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <latch>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "App/Discovery/ProcessScanner.h"
#include "App/Docker/DockerTool.h"
#include "discovery/support/ListeningProcesses.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

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

// Takes a folder as its lock: a run that cannot create it knows another run is under way. Each run
// lasts half a second, far longer than the moment between two scans started together.
class OverlapDetectingDocker {
public:
    explicit OverlapDetectingDocker(const fs::path& home) {
        const auto tool = folder_.path() / "docker";
        const auto state = folder_.path().string();
        std::ofstream(tool) << "#!/bin/sh\n"
                            << "mkdir '" << state << "/running' 2>/dev/null || echo overlap >> '" << state << "/overlaps'\n"
                            << "echo run >> '" << state << "/runs'\n"
                            << "sleep 0.5\n"
                            << "rmdir '" << state << "/running' 2>/dev/null\n";
        fs::permissions(tool, fs::perms::owner_all);
        fs::create_directories(home / ".docker/run");
        std::ofstream(home / ".docker/run/docker.sock") << "";  // any file there stands for the socket
        DockerScanner::Testing::setCLICandidates({{tool.string()}});
    }
    ~OverlapDetectingDocker() { DockerScanner::Testing::setCLICandidates(std::nullopt); }

    int runs() const { return lineCount("runs"); }
    int overlaps() const { return lineCount("overlaps"); }

private:
    int lineCount(const char* name) const {
        std::ifstream file(folder_.path() / name);
        int count = 0;
        for (std::string line; std::getline(file, line);) ++count;
        return count;
    }
    testing_support::TempDir folder_;
};

std::optional<double> cpuOfServer(const std::vector<DevProject>& projects, pid_t pid) {
    for (const auto& project : projects)
        for (const auto& server : project.servers)
            if (server.pid == pid) return server.cpu;
    return std::nullopt;
}

TEST(ScanSerialisation, TheSecondOfTwoSimultaneousScansMeasuresCPUSinceTheFirst) {
    const auto python = testing_support::python3();
    if (!python) GTEST_SKIP() << "no python3";
    testing_support::TempHome home;
    const auto folder = home.home() / "Development/busy";
    fs::create_directories(folder);
    const int port = testing_support::freePort();
    testing_support::ProcessGroup server({*python, "-c", burnThenIdle, std::to_string(port)}, folder);
    ASSERT_TRUE(testing_support::waitUntilListening(port));
    ASSERT_GE(testing_support::cpuSecondsOf(server.leader()), 1.0);
    const OverlapDetectingDocker docker(home.home());

    std::latch start(2);
    std::vector<DevProject> results[2];
    std::vector<std::thread> threads;
    for (auto& result : results)
        threads.emplace_back([&start, &result] {
            start.arrive_and_wait();
            result = ProcessScanner::scan();
        });
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(docker.runs(), 2);
    EXPECT_EQ(docker.overlaps(), 0);

    const auto first = cpuOfServer(results[0], server.leader());
    const auto second = cpuOfServer(results[1], server.leader());
    ASSERT_TRUE(first && second);
    // Whichever ran first knew no earlier time for this process and shows ps's lifetime average;
    // the other saw the first one's times and measured the idle time in between.
    EXPECT_GT(std::max(*first, *second), 1.0);
    EXPECT_LT(std::min(*first, *second), 0.5);
}

}  // namespace
