// `docker ps --no-trunc --format '{{json .}}'` output: running containers with published ports, as
// servers merged into the scan's projects.

#include <algorithm>

#include "Shared/Docker/DockerParsing.h"
#include "Shared/ProcessSnapshot.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<DockerParsing::Container> containers = DockerParsing::parsePS(fuzzing::text(data, size));
    for (const DockerParsing::Container& container : containers) {
        const std::vector<int>& ports = container.hostPorts;
        FUZZ_EXPECT(!ports.empty() && std::ranges::is_sorted(ports) &&
                    std::ranges::adjacent_find(ports) == ports.end());
        FUZZ_EXPECT(ports.front() >= 1 && ports.back() <= 49151);
        FUZZ_EXPECT(!container.uptimeSeconds || *container.uptimeSeconds >= 0);
        const DevServer server = DockerParsing::devServer(container);
        FUZZ_EXPECT(server.pid < 0 && server.pid == server.pgid);
        // What the snapshot will hold, and read back.
        FUZZ_EXPECT(ProcessSnapshot::decode(ProcessSnapshot{{}, {{"p", "/p", {server}}}}.encode()).has_value());
    }
    const std::vector<DevProject> projects =
        DockerParsing::merge(containers, {}, "/home/u/Development", {"/home/u/Development/excluded"});
    std::size_t merged = 0;
    for (const DevProject& project : projects) merged += project.servers.size();
    FUZZ_EXPECT(merged <= containers.size());
    return 0;
}
