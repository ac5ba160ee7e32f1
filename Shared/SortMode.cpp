#include "Shared/SortMode.h"

#include <string>

#include "Shared/JSONCoding.h"

std::string_view rawValue(SortMode mode) {
    switch (mode) {
    case SortMode::activity: return "activity";
    case SortMode::project: return "project";
    case SortMode::port: return "port";
    case SortMode::cpu: return "cpu";
    case SortMode::memory: return "memory";
    case SortMode::uptime: return "uptime";
    }
    return "activity";  // unreachable for a valid enumerator
}

std::optional<SortMode> sortModeFromRawValue(std::string_view raw) {
    for (SortMode mode : SortModes::allCases) {
        if (rawValue(mode) == raw) return mode;
    }
    return std::nullopt;
}

void to_json(nlohmann::json& json, SortMode mode) { json = std::string(rawValue(mode)); }

void from_json(const nlohmann::json& json, SortMode& mode) {
    if (!json.is_string()) throw DecodingError("sort mode: expected a string");
    const auto decoded = sortModeFromRawValue(json.get_ref<const std::string&>());
    if (!decoded) throw DecodingError("sort mode: unknown value \"" + json.get<std::string>() + "\"");
    mode = *decoded;
}
