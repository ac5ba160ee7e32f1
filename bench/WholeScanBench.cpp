// What a scan costs on the live machine, children included, with 10, 200 and 1,000 real servers
// running (each a process listening in a project folder of its own): the application's whole scan
// (ProcessScanner::scan), beside the three tools the scan used to run (lsof for every working
// folder, ps, lsof for the listening ports) and a plain in-process reader of the same facts from
// /proc. The three are measured in turns within each round, so a busy machine weighs on all of
// them alike; the counters give each one's CPU per round and the ratios to the tools. Time is the
// scan's CPU time.
//
// And the snapshot's write as a scan does it (encoding, temporary file, fsync, rename, the widget's
// reload request), beside its file steps with and without the fsync. Wall time counts there: an
// fsync mostly waits for the disk.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "Core/Discovery/ProcessScanner.h"
#include "Platform/ToolPaths.h"
#include "Shared/ProcessSnapshot.h"
#include "Shared/Store/DataStore.h"
#include "support/ListenerFarm.h"
#include "support/ProcFacts.h"
#include "support/ProcessCPUTime.h"
#include "support/TempHome.h"

namespace {

// The tools as every scan ran them before it asked only for the listeners' folders.
void runThreeTools() {
    using Platform::ToolPaths::timeLimit;
    benchmark::DoNotOptimize(
        ProcessScanner::runShell(Platform::ToolPaths::lsof, {"-a", "-w", "-d", "cwd", "-c", "", "-Fpcn"}, timeLimit));
    benchmark::DoNotOptimize(ProcessScanner::runShell(
        Platform::ToolPaths::ps, {"-axwwo", "pid=,pgid=,pcpu=,pmem=,rss=,etime=,time=,command="}, timeLimit));
    benchmark::DoNotOptimize(
        ProcessScanner::runShell(Platform::ToolPaths::lsof, {"-nP", "-w", "-iTCP", "-sTCP:LISTEN", "-Fpn"}, timeLimit));
}

std::size_t serverCount(const std::optional<std::vector<DevProject>>& projects) {
    std::size_t count = 0;
    if (projects)
        for (const DevProject& project : *projects) count += project.servers.size();
    return count;
}

void BM_ScanBesideTools(benchmark::State& state) {
    const int listeners = static_cast<int>(state.range(0));
    testing_support::TempHome home;  // the servers' projects lie in its Development folder
    ListenerFarm farm(listeners, home.home());
    // The first scan knows no earlier CPU times; every later one is like the application's.
    if (serverCount(ProcessScanner::scan()) < static_cast<std::size_t>(listeners)) {
        state.SkipWithError("the scan does not find the servers");
        return;
    }
    double scanCPU = 0, toolsCPU = 0, procCPU = 0;
    for (auto _ : state) {
        const double scan = cpuSecondsOf([] { benchmark::DoNotOptimize(ProcessScanner::scan()); });
        toolsCPU += cpuSecondsOf(runThreeTools);
        procCPU += cpuSecondsOf([] { benchmark::DoNotOptimize(ProcFacts::read(::getuid())); });
        scanCPU += scan;
        state.SetIterationTime(scan);
    }
    const double rounds = static_cast<double>(state.iterations());
    state.counters["scan_ms"] = scanCPU / rounds * 1e3;
    state.counters["tools_ms"] = toolsCPU / rounds * 1e3;
    state.counters["procfs_ms"] = procCPU / rounds * 1e3;
    state.counters["scan_per_tools"] = scanCPU / toolsCPU;
    state.counters["procfs_per_tools"] = procCPU / toolsCPU;
}

// `count` servers, one per project, as a scan of that many real servers writes them.
ProcessSnapshot snapshotOf(int count) {
    ProcessSnapshot snapshot{std::chrono::system_clock::now(), {}};
    for (int index = 0; index < count; ++index) {
        const std::string folder = "/home/dev/Development/p" + std::to_string(index);
        DevServer server;
        server.pid = server.pgid = 10000 + index;
        server.groupPIDs = {server.pid, server.pid + 1};
        server.command = "node";
        server.ports = {20000 + index};
        server.uptimeSeconds = 3600 + index;
        server.cpu = 1.5;
        server.mem = 0.4;
        server.rss = 52'428'800;
        server.commandLine = "/usr/bin/node server.js --port " + std::to_string(20000 + index);
        server.cwd = folder;
        snapshot.projects.push_back({"p" + std::to_string(index), folder, {server}});
    }
    return snapshot;
}

void BM_WriteSnapshot(benchmark::State& state) {
    const testing_support::TempDir folder;
    const ProcessSnapshot snapshot = snapshotOf(static_cast<int>(state.range(0)));
    for (auto _ : state) DataStore::write(snapshot, folder.path());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(snapshot.encode().size()));
}

// The file's part of that write step by step (encoding, temporary file, fsync when the second
// argument is 1, rename), so that the two variants differ by the fsync alone.
void BM_SnapshotFileSteps(benchmark::State& state) {
    const testing_support::TempDir folder;
    const ProcessSnapshot snapshot = snapshotOf(static_cast<int>(state.range(0)));
    const bool sync = state.range(1) != 0;
    const std::string target = (folder.path() / DataStore::fileName).string();
    for (auto _ : state) {
        const std::string bytes = snapshot.encode();
        std::string temporary = target + ".XXXXXX";
        const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
        const bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                             (!sync || ::fsync(fd) == 0);
        if (fd >= 0) ::close(fd);
        if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
            state.SkipWithError("cannot write the snapshot");
            return;
        }
    }
}

}  // namespace

BENCHMARK(BM_ScanBesideTools)
    ->Arg(10)
    ->Arg(200)
    ->Arg(1000)
    ->UseManualTime()
    ->MinTime(5.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSnapshot)->Arg(10)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SnapshotFileSteps)
    ->ArgsProduct({{10, 200, 1000}, {1, 0}})
    ->ArgNames({"servers", "fsync"})
    ->Unit(benchmark::kMicrosecond);
