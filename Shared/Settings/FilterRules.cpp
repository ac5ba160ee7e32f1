#include "Shared/Settings/FilterRules.h"

#include <algorithm>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "Shared/JSONCoding.h"
#include "Shared/PathPrefix.h"
#include "Shared/Scan/ScanText.h"
#include "Shared/Settings/StoredRecord.h"

namespace {

using Json = nlohmann::json;

constexpr std::array<std::string_view, 2> agentFolderNames{"LaunchAgents", "LaunchDaemons"};

bool isPresent(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && !found->is_null();
}

std::set<std::int64_t> portSet(const Json& object, const char* key) {
    if (!isPresent(object, key)) return {};
    const std::vector<std::int64_t> ports = JSONCoding::requiredInt64Array(object, key);
    return {ports.begin(), ports.end()};
}

std::vector<std::string> textList(const Json& object, const char* key) {
    if (!isPresent(object, key)) return {};
    const Json& array = JSONCoding::requiredArray(object, key);
    std::vector<std::string> texts;
    texts.reserve(array.size());
    for (const Json& element : array) {
        if (!element.is_string()) throw DecodingError(std::string("\"") + key + "\": expected an array of strings");
        texts.push_back(element.get<std::string>());
    }
    return texts;
}

}  // namespace

std::string FilterRules::hiddenServerKey(std::string_view command, int port) {
    std::string hidden(command);
    hidden += ':';
    hidden += std::to_string(port);
    return hidden;
}

bool FilterRules::isEmpty() const {
    return ignoredPorts.empty() && hiddenServers.empty() && excludedFolders.empty() && includedFolders.empty() &&
           watchedPorts.empty();
}

FilterRules FilterRules::load(Platform::UserDefaults& defaults) {
    return StoredRecord::load<FilterRules>(defaults, key);
}

void FilterRules::save(Platform::UserDefaults& defaults) const { StoredRecord::save(*this, defaults, key); }

std::optional<FilterRules::IncludeRejection> FilterRules::includeRejection(std::string_view folder,
                                                                           std::string_view home) {
    const std::string homeFolder(ScanText::withoutOneTrailingSlash(home));

    const std::string_view last = ScanText::lastPathComponent(folder);
    if (std::find(agentFolderNames.begin(), agentFolderNames.end(), last) != agentFolderNames.end()) {
        return IncludeRejection::agentFolder;
    }
    for (const std::string& library :
         {homeFolder + "/Library", std::string("/Library"), std::string("/System/Library")}) {
        if (hasPathPrefix(folder, library)) return IncludeRejection::libraryFolder;
    }
    if (ScanText::hasHiddenComponent(folder)) return IncludeRejection::hiddenFolder;
    if (hasPathPrefix(folder, homeFolder)) return IncludeRejection::insideHome;
    return std::nullopt;
}

void to_json(Json& json, const FilterRules& rules) {
    json = Json::object();
    json["ignoredPorts"] = rules.ignoredPorts;
    json["hiddenServers"] = rules.hiddenServers;
    json["excludedFolders"] = rules.excludedFolders;
    json["includedFolders"] = rules.includedFolders;
    json["watchedPorts"] = rules.watchedPorts;
}

void from_json(const Json& json, FilterRules& rules) {
    JSONCoding::requireObject(json, "FilterRules");
    FilterRules decoded;
    decoded.ignoredPorts = portSet(json, "ignoredPorts");
    const std::vector<std::string> hidden = textList(json, "hiddenServers");
    decoded.hiddenServers = {hidden.begin(), hidden.end()};
    decoded.excludedFolders = textList(json, "excludedFolders");
    decoded.includedFolders = textList(json, "includedFolders");
    decoded.watchedPorts = portSet(json, "watchedPorts");
    rules = std::move(decoded);
}
