#pragma once
// The parts of DockerScanner that find and run the `docker` tool. Used by DockerScanner and its
// tests only.

#include <optional>
#include <string>
#include <vector>

namespace DockerScanner {

// Where the tool is looked for, in order: /usr/local/bin, /opt/homebrew/bin, ~/.docker/bin, /usr/bin.
std::vector<std::string> cliCandidates();

// The first candidate that is an executable file. Looked up once per process, found or not, so a
// tool installed later is seen only after a relaunch.
std::optional<std::string> cli();

// Where a Docker daemon's socket is looked for, in order: ~/.docker/run/docker.sock, /var/run/docker.sock.
std::vector<std::string> socketCandidates();

// Whether a Docker socket exists: one of the candidates, or the Unix socket that DOCKER_HOST names
// (the tool itself talks to that one when it is set).
bool socketPresent();

// Runs the tool and returns its standard output when it is valid UTF-8. A tool that cannot start
// (logged "docker launch error"), or that is still running after `timeoutSeconds` (logged, sent
// SIGTERM and not waited for), gives none. The exit status is not looked at.
std::optional<std::string> run(const std::string& path, const std::vector<std::string>& arguments,
                               double timeoutSeconds);

// Test seams; the application never calls these.
namespace Testing {
// Forgets the located tool, so the next cli() looks again.
void resetCLICache();
// Replaces the candidate list (none restores the real one) and forgets the located tool.
void setCLICandidates(std::optional<std::vector<std::string>> candidates);
// Replaces the socket candidates (none restores the real ones), so that tests do not depend on
// whether this machine runs Docker.
void setSocketCandidates(std::optional<std::vector<std::string>> candidates);
}  // namespace Testing

}  // namespace DockerScanner
