#pragma once
// Docker containers for the scan, and the container actions of the panel, through the `docker`
// command-line tool. Docker being absent, silent or slow never fails a scan: it gives no containers.

#include <functional>
#include <string>
#include <vector>

#include "Shared/Docker/DockerParsing.h"

namespace DockerScanner {

using Completion = std::function<void()>;

// The running containers that publish a host port. Empty without a Docker socket or tool, when
// `docker ps` does not answer within 3 seconds, or when its output is unreadable. Synchronous.
std::vector<DockerParsing::Container> scan();

// `docker kill` when `force`, else `docker stop` (30-second limit), on a user-initiated background
// queue; the completion then runs on the main queue whatever the outcome. Without a tool the
// completion runs at once on the calling thread.
void stop(const std::string& containerID, bool force, Completion completion = nullptr);

// `docker restart` (60-second limit), otherwise like stop.
void restart(const std::string& containerID, Completion completion = nullptr);

}  // namespace DockerScanner
