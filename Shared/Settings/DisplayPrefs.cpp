#include "Shared/Settings/DisplayPrefs.h"

#include <nlohmann/json.hpp>

#include "Shared/JSONCoding.h"
#include "Shared/Settings/StoredRecord.h"

DisplayPrefs DisplayPrefs::load(Platform::UserDefaults& defaults) {
    return StoredRecord::load<DisplayPrefs>(defaults, key);
}

void DisplayPrefs::save(Platform::UserDefaults& defaults) const { StoredRecord::save(*this, defaults, key); }

DisplayPrefs DisplayPrefs::change(Platform::UserDefaults& defaults, const std::function<void(DisplayPrefs&)>& edit) {
    DisplayPrefs prefs = load(defaults);
    edit(prefs);
    prefs.save(defaults);
    return prefs;
}

void to_json(nlohmann::json& json, const DisplayPrefs& prefs) {
    json = nlohmann::json::object();
    json["sortMode"] = prefs.sortMode;
    json["grouped"] = prefs.grouped;
    json["showPID"] = prefs.showPID;
    json["flashNewServers"] = prefs.flashNewServers;
    json["energyIcon"] = prefs.energyIcon;
}

void from_json(const nlohmann::json& json, DisplayPrefs& prefs) {
    using namespace JSONCoding;
    requireObject(json, "DisplayPrefs");
    DisplayPrefs decoded;
    decoded.sortMode = requiredMember(json, "sortMode").get<SortMode>();
    decoded.grouped = requiredBool(json, "grouped");
    decoded.showPID = requiredBool(json, "showPID");
    decoded.flashNewServers = requiredBool(json, "flashNewServers");
    decoded.energyIcon = requiredBool(json, "energyIcon");
    prefs = decoded;
}
