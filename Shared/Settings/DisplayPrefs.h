#pragma once
// How the panel, the status icon and the widget present servers. Stored in the shared defaults
// (AppGroup::sharedDefaults()) under "DisplayPrefs" and read fresh by every user: there is no cache.

#include <functional>

#include <nlohmann/json_fwd.hpp>

#include "Platform/UserDefaults.h"
#include "Shared/SortMode.h"

struct DisplayPrefs {
    static constexpr const char* key = "DisplayPrefs";

    SortMode sortMode = SortMode::activity;
    bool grouped = true;          // servers under project headers; false gives one flat list
    bool showPID = true;          // rows show the process id
    bool flashNewServers = true;  // the status icon highlights a newly started server
    bool energyIcon = false;      // the status icon shows the high-CPU state

    // The stored value, or the defaults when there is none; a corrupt value is logged, removed and
    // replaced by the defaults.
    static DisplayPrefs load(Platform::UserDefaults& defaults);
    void save(Platform::UserDefaults& defaults) const;

    // Edits what is stored now rather than a copy loaded earlier, so a field that another window
    // saved in the meantime survives; gives what was saved.
    static DisplayPrefs change(Platform::UserDefaults& defaults, const std::function<void(DisplayPrefs&)>& edit);

    bool operator==(const DisplayPrefs&) const = default;
};

// JSON: {"sortMode": raw value, "grouped", "showPID", "flashNewServers", "energyIcon"}. Decoding
// needs all five keys with the right types, else throws DecodingError.
void to_json(nlohmann::json& json, const DisplayPrefs& prefs);
void from_json(const nlohmann::json& json, DisplayPrefs& prefs);
