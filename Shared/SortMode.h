#pragma once
// The orders in which the panel and the widget list projects and servers.

#include <array>
#include <optional>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

enum class SortMode { activity, project, port, cpu, memory, uptime };

namespace SortModes {
// Declaration order.
inline constexpr std::array<SortMode, 6> allCases{SortMode::activity, SortMode::project, SortMode::port,
                                                  SortMode::cpu,      SortMode::memory,  SortMode::uptime};
// The order in which the sort menu offers the modes.
inline constexpr std::array<SortMode, 6> menuOrder{SortMode::activity, SortMode::port,   SortMode::cpu,
                                                   SortMode::memory,   SortMode::uptime, SortMode::project};
}  // namespace SortModes

std::string_view rawValue(SortMode mode);
// The mode for one of the six raw values; any other text gives no mode.
std::optional<SortMode> sortModeFromRawValue(std::string_view raw);

// JSON: the raw value as a string; any other value throws DecodingError.
void to_json(nlohmann::json& json, SortMode mode);
void from_json(const nlohmann::json& json, SortMode& mode);
