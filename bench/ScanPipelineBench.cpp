// The pure half of a scan on a busy machine: 20 000 processes, 2 000 of them listening, in 400
// projects, and the snapshot written from it. Inputs are generated in the forms lsof -F and ps print.

#include <benchmark/benchmark.h>

#include <string>

#include "Shared/ProcessSnapshot.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Settings/FilterRules.h"

using namespace ProcessScannerParsing;

namespace {

constexpr int processCount = 20'000;
constexpr int listenerCount = 2'000;
constexpr int processesPerGroup = 8;
const std::string home = "/home/dev";
const std::string devFolder = home + "/Development";

bool isListener(int index) { return index % (processCount / listenerCount) == 0; }

struct Machine {
    std::string cwdText, psText, listenText;
    FilterRules rules;
};

const Machine& machine() {
    static const Machine generated = [] {
        Machine m;
        for (int i = 0; i < processCount; ++i) {
            const int pid = 1000 + i;
            const int pgid = 1000 + i - i % processesPerGroup;
            const bool listens = isListener(i);
            const int project = (i / 10) % 400;
            // Every tenth listener runs outside the project folders, like a database or a model server.
            const bool service = listens && (i / 10) % 10 == 0;
            const std::string cwd = !listens  ? "/"
                                    : service ? home + "/.local/share/svc" + std::to_string(project)
                                              : devFolder + "/project" + std::to_string(project) + "/packages/web";
            m.cwdText += "p" + std::to_string(pid) + "\ncnode\nfcwd\nn" + cwd + "\n";
            m.psText += " " + std::to_string(pid) + " " + std::to_string(pgid) + "  1.5  0.3 " +
                        std::to_string(20480 + i) + "    1-02:03:04 0:" + std::to_string(i % 60) +
                        ".25 /usr/local/bin/node /srv/app/server.js --port " + std::to_string(3000 + i / 10) + "\n";
            if (listens) {
                const int port = 3000 + i / 10;
                m.listenText += "p" + std::to_string(pid) + "\nf23\nn*:" + std::to_string(port) +
                                "\nf24\nn[::1]:" + std::to_string(port) +
                                "\nf25\nn127.0.0.1:" + std::to_string(55000 + i % 1000) + "\n";
                if (service && i % 200 == 0) m.rules.watchedPorts.insert(port);
            }
        }
        for (int port = 3000; port < 3100; port += 7) m.rules.ignoredPorts.insert(port);
        for (int port = 3100; port < 3200; port += 9) m.rules.hiddenServers.insert("node:" + std::to_string(port));
        m.rules.excludedFolders = {devFolder + "/project7", devFolder + "/project8/"};
        return m;
    }();
    return generated;
}

// The times of a scan five seconds earlier, half a second of CPU less for every process.
CPUTimes earlierTimes(const CPUTimes& times) {
    CPUTimes earlier = times;
    for (auto& [pid, seconds] : earlier) seconds -= 0.5;
    return earlier;
}

std::vector<DevProject> projectsOf(const Machine& m) {
    const auto ports = parseListeningPorts(m.listenText);
    return buildProjects(parseCWDs(m.cwdText, ports), ports, parsePS(m.psText, ports), home, devFolder, 1,
                         m.rules.excludedFolders, m.rules.includedFolders, m.rules.watchedPorts);
}

// As a scan reads them: the listeners' folders and command lines only.
void BM_ParseCWDs(benchmark::State& state) {
    const auto ports = parseListeningPorts(machine().listenText);
    for (auto _ : state) benchmark::DoNotOptimize(parseCWDs(machine().cwdText, ports));
    state.SetBytesProcessed(state.iterations() * machine().cwdText.size());
}

void BM_ParsePS(benchmark::State& state) {
    const auto ports = parseListeningPorts(machine().listenText);
    for (auto _ : state) benchmark::DoNotOptimize(parsePS(machine().psText, ports));
    state.SetBytesProcessed(state.iterations() * machine().psText.size());
}

// Every entry with its texts.
void BM_ParseCWDsAll(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(parseCWDs(machine().cwdText));
    state.SetBytesProcessed(state.iterations() * machine().cwdText.size());
}

void BM_ParsePSAll(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(parsePS(machine().psText));
    state.SetBytesProcessed(state.iterations() * machine().psText.size());
}

void BM_ParseListeningPorts(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(parseListeningPorts(machine().listenText));
}

// Each round gets a fresh table, as each scan parses one, handed on without a copy.
void BM_WithInstantCPU(benchmark::State& state) {
    const auto table = parsePS(machine().psText, parseListeningPorts(machine().listenText));
    const auto previous = earlierTimes(cpuTimes(table));
    for (auto _ : state) {
        state.PauseTiming();
        auto fresh = table;
        state.ResumeTiming();
        benchmark::DoNotOptimize(withInstantCPU(std::move(fresh), previous, 5.0));
    }
}

void BM_BuildProjects(benchmark::State& state) {
    const auto& m = machine();
    const auto ports = parseListeningPorts(m.listenText);
    const auto cwds = parseCWDs(m.cwdText, ports);
    const auto stats = parsePS(m.psText, ports);
    for (auto _ : state)
        benchmark::DoNotOptimize(buildProjects(cwds, ports, stats, home, devFolder, 1, m.rules.excludedFolders,
                                               m.rules.includedFolders, m.rules.watchedPorts));
}

void BM_ApplyFilters(benchmark::State& state) {
    const auto projects = projectsOf(machine());
    for (auto _ : state) benchmark::DoNotOptimize(applyFilters(projects, machine().rules));
}

void BM_Sorted(benchmark::State& state) {
    const auto mode = SortModes::allCases.at(static_cast<std::size_t>(state.range(0)));
    const auto projects = projectsOf(machine());
    state.SetLabel(std::string(rawValue(mode)));
    for (auto _ : state) benchmark::DoNotOptimize(sorted(projects, mode));
}

void BM_EncodeSnapshot(benchmark::State& state) {
    const ProcessSnapshot snapshot{Platform::Date(std::chrono::seconds(1'796'501'894)), projectsOf(machine())};
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto text = snapshot.encode();
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

// What a scan does between reading the tools' output and writing the snapshot, in its order; the
// kernel's exact times stand in as the ps times of the listening groups' processes.
void BM_WholePipeline(benchmark::State& state) {
    const auto& m = machine();
    const auto now = cpuTimes(parsePS(m.psText));
    const auto previous = earlierTimes(now);
    CPUTimes exact;
    for (const auto pid : listeningGroupMembers(parsePS(m.psText), parseListeningPorts(m.listenText)))
        exact.emplace(pid, now.at(pid));
    const auto previousExact = earlierTimes(exact);
    for (auto _ : state) {
        const auto ports = parseListeningPorts(m.listenText);
        const auto cwds = parseCWDs(m.cwdText, ports);
        auto table = parsePS(m.psText, ports);
        benchmark::DoNotOptimize(listeningGroupMembers(table, ports));
        const auto times = cpuTimes(table);
        auto stats = withInstantCPU(std::move(table), previous, 5.0);
        stats = withExactInstantCPU(std::move(stats), exact, previousExact, 5.0);
        benchmark::DoNotOptimize(times);
        auto projects = buildProjects(cwds, ports, stats, home, devFolder, 1, m.rules.excludedFolders,
                                      m.rules.includedFolders, m.rules.watchedPorts);
        const ProcessSnapshot snapshot{Platform::Date(std::chrono::seconds(1'796'501'894)),
                                       applyFilters(std::move(projects), m.rules)};
        benchmark::DoNotOptimize(snapshot.encode());
    }
}

}  // namespace

BENCHMARK(BM_ParseCWDs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParsePS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseCWDsAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParsePSAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseListeningPorts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WithInstantCPU)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildProjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyFilters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sorted)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeSnapshot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholePipeline)->Unit(benchmark::kMillisecond);
