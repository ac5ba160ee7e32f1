#pragma once
// One scan result as stored for the panel and the widget.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/ISO8601.h"
#include "Shared/DevProject.h"

struct ProcessSnapshot {
    Platform::Date timestamp;
    std::vector<DevProject> projects;

    bool operator==(const ProcessSnapshot&) const = default;

    // Compact JSON; the timestamp in ISO-8601 UTC without fractions.
    std::string encode() const;
    // No value when the bytes are not a valid snapshot.
    static std::optional<ProcessSnapshot> decode(std::string_view bytes);
};

void from_json(const nlohmann::json& json, ProcessSnapshot& snapshot);
