#include "Widget/Provider.h"

#include <optional>

#include "Shared/Store/DataStore.h"

namespace Provider {
namespace {

DevServer sampleServer(std::int32_t pid, std::int32_t pgid, std::vector<std::int32_t> groupPIDs, std::string command,
                       int port, std::int64_t uptimeSeconds, double cpu, double mem) {
    DevServer server;
    server.pid = pid;
    server.pgid = pgid;
    server.groupPIDs = std::move(groupPIDs);
    server.command = std::move(command);
    server.ports = {port};
    server.uptimeSeconds = uptimeSeconds;
    server.cpu = cpu;
    server.mem = mem;
    return server;
}

}  // namespace

const std::vector<DevProject>& sample() {
    static const std::vector<DevProject> projects{
        {"webshop",
         "/Users/you/Development/webshop",
         {sampleServer(1234, 1230, {1230, 1234, 1235}, "vite", 5173, 8040, 3.2, 1.1),
          sampleServer(2345, 2340, {2340, 2345}, "next-server", 3000, 2460, 1.0, 2.3)}},
        {"api", "/Users/you/Sites/api", {sampleServer(5678, 5678, {5678}, "python3", 8000, 266520, 0.1, 0.7)}},
    };
    return projects;
}

DevProcessEntry placeholder(Platform::Date now) { return {now, sample()}; }

DevProcessEntry snapshot(Platform::Date now) {
    std::optional<ProcessSnapshot> stored = DataStore::read();
    return {now, stored ? std::move(stored->projects) : sample()};
}

Timeline timeline(Platform::Date now) {
    std::optional<ProcessSnapshot> stored = DataStore::read();
    DevProcessEntry entry{now, stored ? std::move(stored->projects) : std::vector<DevProject>{}};
    return {{std::move(entry)}, now + reloadInterval};
}

}  // namespace Provider
