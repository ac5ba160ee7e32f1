#include "Shared/WidgetChannel/WidgetCommand.h"

#include <array>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "Shared/JSONCoding.h"
#include "Shared/Overloaded.h"

namespace {

using Json = nlohmann::json;

constexpr std::array<const char*, 3> caseNames{"kill", "revealFolder", "openLocalhost"};

}  // namespace

WidgetCommand WidgetCommand::kill(std::vector<std::int32_t> pids, std::vector<std::int32_t> pgids) {
    return {Kill{std::move(pids), std::move(pgids)}};
}

WidgetCommand WidgetCommand::revealFolder(std::string path) { return {RevealFolder{std::move(path)}}; }

WidgetCommand WidgetCommand::openLocalhost(std::int64_t port) { return {OpenLocalhost{port}}; }

void to_json(Json& json, const WidgetCommand& command) {
    json = std::visit(Overloaded{
                          [](const WidgetCommand::Kill& kill) {
                              return Json{{"kill", {{"pids", kill.pids}, {"pgids", kill.pgids}}}};
                          },
                          [](const WidgetCommand::RevealFolder& reveal) {
                              return Json{{"revealFolder", {{"path", reveal.path}}}};
                          },
                          [](const WidgetCommand::OpenLocalhost& open) {
                              return Json{{"openLocalhost", {{"port", open.port}}}};
                          },
                      },
                      command.action);
}

void from_json(const Json& json, WidgetCommand& command) {
    JSONCoding::requireObject(json, "widget command");
    const char* found = nullptr;
    int count = 0;
    for (const char* name : caseNames) {
        if (json.contains(name)) {
            found = name;
            ++count;
        }
    }
    if (count != 1) throw DecodingError("Invalid number of keys found, expected one.");

    const Json& values = json.at(found);
    JSONCoding::requireObject(values, found);
    const std::string_view name = found;
    if (name == "kill") {
        command = WidgetCommand::kill(JSONCoding::requiredInt32Array(values, "pids"),
                                      JSONCoding::requiredInt32Array(values, "pgids"));
    } else if (name == "revealFolder") {
        command = WidgetCommand::revealFolder(JSONCoding::requiredString(values, "path"));
    } else {
        command = WidgetCommand::openLocalhost(JSONCoding::requiredInteger(values, "port"));
    }
}
