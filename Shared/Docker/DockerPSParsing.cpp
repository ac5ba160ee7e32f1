// Reading the listing of `docker ps --no-trunc --format '{{json .}}'`: one JSON object per line.

#include <nlohmann/json.hpp>

#include "Shared/Docker/DockerParsing.h"
#include "Shared/ScanText.h"

namespace DockerParsing {

namespace {

constexpr std::string_view composeWorkingDirLabel = "com.docker.compose.project.working_dir";

// The fields of one listing line that matter here. Other keys the client prints are ignored.
struct PSLine {
    std::string id;
    std::string image;
    std::string names;
    std::optional<std::string> labels;
    std::optional<std::string> ports;
    std::optional<std::string> runningFor;
    std::optional<std::string> state;
};

// A key holding anything but text makes the line unreadable; a missing key or null is absent.
bool readOptionalText(const nlohmann::json& object, const char* key, std::optional<std::string>& field) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return true;
    if (!found->is_string()) return false;
    field = found->get<std::string>();
    return true;
}

bool readRequiredText(const nlohmann::json& object, const char* key, std::string& field) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return false;
    field = found->get<std::string>();
    return true;
}

std::optional<PSLine> decodeLine(std::string_view line) {
    const auto json = nlohmann::json::parse(line, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object()) return std::nullopt;  // also what a parse error gives (discarded)
    PSLine decoded;
    if (!readRequiredText(json, "ID", decoded.id) || !readRequiredText(json, "Image", decoded.image) ||
        !readRequiredText(json, "Names", decoded.names) || !readOptionalText(json, "Labels", decoded.labels) ||
        !readOptionalText(json, "Ports", decoded.ports) || !readOptionalText(json, "RunningFor", decoded.runningFor) ||
        !readOptionalText(json, "State", decoded.state))
        return std::nullopt;
    return decoded;
}

}  // namespace

std::vector<Container> parsePS(std::string_view output) {
    std::vector<Container> containers;
    ScanText::forEachLine(output, [&](std::string_view text) {
        const auto line = decodeLine(text);
        if (!line) return;
        if (line->state && *line->state != "running") return;  // paused, exited, restarting…
        auto ports = hostPorts(line->ports.value_or(""));
        if (ports.empty()) return;  // publishes nothing on the host: not a server
        containers.push_back(Container{
            .id = line->id,
            .name = line->names,
            .image = line->image,
            .hostPorts = std::move(ports),
            .composeWorkingDir = label(line->labels.value_or(""), composeWorkingDirLabel),
            .uptimeSeconds = parseRunningFor(line->runningFor.value_or("")),
        });
    });
    return containers;
}

}  // namespace DockerParsing
