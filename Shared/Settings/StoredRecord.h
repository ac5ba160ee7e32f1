#pragma once
// How a settings record lives in the user defaults: its compact JSON form, as a data value under one
// key. DisplayPrefs and FilterRules share this so that both treat a bad stored value alike.
//
// - Loading with nothing stored, or with a value of another type (text, number, flag), gives the
//   record's defaults silently.
// - Loading a value that does not decode (or nests deeper than any record does) logs "Vellumark: corrupt <key>,
// resetting to defaults: "
//   plus the reason, removes the key and gives the defaults, so the next load is silent and the next
//   save writes a valid value again.
// - Saving replaces the stored value; a record that cannot be encoded (text that is not UTF-8) leaves
//   the stored value as it was.
//
// A Record is default-constructible (its defaults) and has nlohmann to_json/from_json, with
// from_json throwing DecodingError (Shared/JSONCoding.h) for a value of the wrong shape.

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/JSONNesting.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/JSONCoding.h"

namespace StoredRecord {

template <typename Record>
Record load(Platform::UserDefaults& defaults, const std::string& key) {
    const auto bytes = defaults.data(key);
    if (!bytes) return Record{};
    try {
        if (Platform::JSONNesting::isDeeperThan(
                std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())))
            throw DecodingError("nested deeper than " + std::to_string(Platform::JSONNesting::maximumDepth) +
                                " levels");
        return nlohmann::json::parse(bytes->begin(), bytes->end()).template get<Record>();
    } catch (const DecodingError& error) {
        Platform::systemLog("Vellumark: corrupt " + key + ", resetting to defaults: " + error.what());
    } catch (const nlohmann::json::exception& error) {
        Platform::systemLog("Vellumark: corrupt " + key + ", resetting to defaults: " + error.what());
    }
    defaults.remove(key);
    return Record{};
}

template <typename Record>
void save(const Record& record, Platform::UserDefaults& defaults, const std::string& key) {
    std::string text;
    try {
        text = nlohmann::json(record).dump();
    } catch (const nlohmann::json::exception&) {
        return;
    }
    defaults.set(key, Platform::UserDefaults::Data(text.begin(), text.end()));
}

}  // namespace StoredRecord
