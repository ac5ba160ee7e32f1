#pragma once
// Turning `docker ps --no-trunc --format '{{json .}}'` output into containers, and containers into
// servers of the scan's project list. Pure functions: no tools run, no files read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/DevProject.h"

namespace DockerParsing {

// One running container that publishes at least one host port.
struct Container {
    std::string id;                                // the full id, as printed with --no-trunc
    std::string name;                              // the "Names" text as printed (several names stay comma-separated)
    std::string image;                             // the "Image" text as printed
    std::vector<int> hostPorts;                    // distinct, ascending, each in 1...49151; never empty
    std::optional<std::string> composeWorkingDir;  // label com.docker.compose.project.working_dir
    std::optional<std::int64_t> uptimeSeconds;     // from the "RunningFor" text

    bool operator==(const Container&) const = default;
};

// The containers of one listing, in output order. Lines that are not a JSON object with text
// values for "ID", "Image" and "Names", containers whose "State" is present and not "running",
// and containers without a published host port are left out.
std::vector<Container> parsePS(std::string_view output);

// Published host ports of a "Ports" text such as "0.0.0.0:3000->3000/tcp, :::3000->3000/tcp":
// distinct, ascending, in 1...49151. Exposed-only ports and port ranges give nothing.
std::vector<int> hostPorts(std::string_view ports);

// The value of `key` in a "Labels" text ("k1=v1,k2=v2"); none when the first piece with that key
// has an empty value, or when no piece has it.
std::optional<std::string> label(std::string_view labels, std::string_view key);

// Seconds described by a "RunningFor" text such as "About an hour ago" or "3 weeks ago"; none
// without a number or a unit, or when the product does not fit in 64 bits.
std::optional<std::int64_t> parseRunningFor(std::string_view runningFor);

// A negative stand-in for a process group (-2147483647...-1), from the 32-bit FNV-1a hash of the
// container id, so a container never shares an id with a real process.
std::int32_t syntheticPGID(std::string_view containerID);

// The last "/"-separated piece of an image text, tag kept ("ghcr.io/acme/web:1.2" gives
// "web:1.2"); the text itself when it has no such piece.
std::string imageShortName(std::string_view image);

// The server record shown for a container.
DevServer devServer(const Container& container);

// Adds the containers to the projects built from native processes. A compose container joins the
// project of its working directory (dropped when that lies in an excluded folder); any other forms
// the project "docker:/<name>". With at least one container every project's servers are ordered by
// first port then pid, and the projects by activity. Without containers the projects come back
// unchanged.
std::vector<DevProject> merge(const std::vector<Container>& containers, std::vector<DevProject> into,
                              const std::string& devFolder, const std::vector<std::string>& excludedFolders);

}  // namespace DockerParsing
