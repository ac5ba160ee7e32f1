// The orders of the panel's and the widget's project lists, and of the servers within a project. Each mode compares
// precomputed keys, so a project's sums are worked out once per sort rather than once per comparison.

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <numeric>

#include "Shared/Scan/ProcessScannerParsing.h"

namespace ProcessScannerParsing {

namespace {

struct SortKeys {
    double totalCPU = 0;
    double totalMemory = 0;
    int lowestPort = INT_MAX;  // no ports sorts last
    std::int64_t maxUptime = -1;
};

SortKeys keysOf(const DevProject& project, SortMode mode) {
    SortKeys keys;
    switch (mode) {
    case SortMode::activity:
    case SortMode::cpu:
        for (const auto& server : project.servers) keys.totalCPU += server.cpu;
        break;
    case SortMode::memory:
        for (const auto& server : project.servers) keys.totalMemory += server.mem;
        break;
    case SortMode::port:
        for (const auto& server : project.servers)
            for (const int port : server.ports) keys.lowestPort = std::min(keys.lowestPort, port);
        break;
    case SortMode::uptime: keys.maxUptime = maxUptime(project); break;
    case SortMode::project: break;
    }
    return keys;
}

// Three-way comparisons: negative when the first comes first.
int ascending(auto a, auto b) { return a < b ? -1 : (b < a ? 1 : 0); }

// Larger first. NaN (e.g. inf + -inf from odd input) ranks below every number and equal to itself,
// which keeps the order strict and weak, as sorting requires.
int descending(double a, double b) {
    const bool aNaN = std::isnan(a), bNaN = std::isnan(b);
    if (aNaN || bNaN) return aNaN == bNaN ? 0 : (aNaN ? 1 : -1);
    return ascending(b, a);
}

int compare(const DevProject& a, const SortKeys& ka, const DevProject& b, const SortKeys& kb, SortMode mode) {
    const auto byName = [&] { return a.name.compare(b.name); };
    const auto byPath = [&] { return a.path.compare(b.path); };
    int order = 0;
    switch (mode) {
    case SortMode::activity:
        if ((order = descending(ka.totalCPU, kb.totalCPU))) return order;
        if ((order = byName())) return order;
        return byPath();
    case SortMode::project:
        if ((order = byName())) return order;
        return byPath();
    case SortMode::port:
        if ((order = ascending(ka.lowestPort, kb.lowestPort))) return order;
        if ((order = byName())) return order;
        return byPath();
    case SortMode::cpu:
        if ((order = descending(ka.totalCPU, kb.totalCPU))) return order;
        return byName();
    case SortMode::memory:
        if ((order = descending(ka.totalMemory, kb.totalMemory))) return order;
        return byName();
    case SortMode::uptime:
        if ((order = ascending(kb.maxUptime, ka.maxUptime))) return order;
        return byName();
    }
    return 0;
}

}  // namespace

std::vector<DevProject> sorted(std::vector<DevProject> projects, SortMode mode) {
    std::vector<SortKeys> keys;
    keys.reserve(projects.size());
    for (const auto& project : projects) keys.push_back(keysOf(project, mode));

    std::vector<std::size_t> order(projects.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return compare(projects[a], keys[a], projects[b], keys[b], mode) < 0;
    });

    std::vector<DevProject> result;
    result.reserve(projects.size());
    for (const auto index : order) result.push_back(std::move(projects[index]));
    return result;
}

void orderServers(std::vector<DevServer>& servers) {
    // Wider than any port, so a server without ports comes after every one that has some.
    const auto firstPort = [](const DevServer& server) -> std::int64_t {
        return server.ports.empty() ? std::numeric_limits<std::int64_t>::max() : server.ports.front();
    };
    const auto before = [&](const DevServer& left, const DevServer& right) {
        const auto leftPort = firstPort(left), rightPort = firstPort(right);
        if (leftPort != rightPort) return leftPort < rightPort;
        return left.pid < right.pid;
    };
    std::stable_sort(servers.begin(), servers.end(), before);
}

std::int64_t maxUptime(const DevProject& project) {
    std::int64_t longest = -1;
    for (const auto& server : project.servers)
        if (server.uptimeSeconds) longest = std::max(longest, *server.uptimeSeconds);
    return longest;
}

}  // namespace ProcessScannerParsing
