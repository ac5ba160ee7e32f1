#include "Shared/Settings/FilterRules.h"

#include <algorithm>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "Shared/JSONCoding.h"
#include "Shared/PathPrefix.h"
#include "Shared/Settings/StoredRecord.h"

namespace {

using Json = nlohmann::json;

constexpr std::array<std::string_view, 2> agentFolderNames{"LaunchAgents", "LaunchDaemons"};

bool isPresent(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && !found->is_null();
}

std::set<int> portSet(const Json& object, const char* key) {
    if (!isPresent(object, key)) return {};
    const std::vector<std::int32_t> ports = JSONCoding::requiredInt32Array(object, key);
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

std::string_view withoutOneTrailingSlash(std::string_view path) {
    if (!path.empty() && path.back() == '/') path.remove_suffix(1);
    return path;
}

std::string_view lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const auto slash = path.rfind('/');
    return (slash == std::string_view::npos || path.size() == 1) ? path : path.substr(slash + 1);
}

bool hasHiddenComponent(std::string_view path) {
    while (!path.empty()) {
        const auto slash = path.find('/');
        const std::string_view component = path.substr(0, slash);
        if (!component.empty() && component.front() == '.') return true;
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return false;
}

}  // namespace

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
    const std::string homeFolder(withoutOneTrailingSlash(home));

    const std::string_view last = lastPathComponent(folder);
    if (std::find(agentFolderNames.begin(), agentFolderNames.end(), last) != agentFolderNames.end()) {
        return IncludeRejection::agentFolder;
    }
    for (const std::string& library : {homeFolder + "/Library", std::string("/Library"), std::string("/System/Library")}) {
        if (hasPathPrefix(folder, library)) return IncludeRejection::libraryFolder;
    }
    if (hasHiddenComponent(folder)) return IncludeRejection::hiddenFolder;
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
