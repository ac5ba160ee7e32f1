#include "Core/Settings/FilterEdits.h"

#include <algorithm>

#include "Shared/ScanText.h"

namespace FilterEdits {

std::optional<std::int64_t> portNumber(std::string_view text) { return ScanText::parseInt64(text); }

bool isPort(std::int64_t number) { return number >= 1 && number <= 65535; }

bool ignore(FilterRules& rules, std::int64_t port) {
    if (!isPort(port)) return false;
    rules.ignoredPorts.insert(int(port));
    rules.watchedPorts.erase(int(port));
    return true;
}

bool watch(FilterRules& rules, std::int64_t port) {
    if (!isPort(port)) return false;
    rules.watchedPorts.insert(int(port));
    rules.ignoredPorts.erase(int(port));
    return true;
}

std::vector<FilterRules::KnownService> unwatchedServices(const FilterRules& rules) {
    std::vector<FilterRules::KnownService> services;
    for (const FilterRules::KnownService& service : FilterRules::knownServices)
        if (!rules.watchedPorts.contains(service.port)) services.push_back(service);
    return services;
}

bool appendFolder(std::vector<std::string>& folders, const std::string& path) {
    if (std::ranges::find(folders, path) != folders.end()) return false;
    folders.push_back(path);
    return true;
}

void removeFolder(std::vector<std::string>& folders, std::string_view path) {
    std::erase_if(folders, [&](const std::string& folder) { return folder == path; });
}

std::optional<std::string> chosenFolder(std::string path) {
    while (path.size() >= 2 && path.back() == '/') path.pop_back();
    if (path.empty() || path == "/") return std::nullopt;
    return path;
}

std::string_view rejectionMessage(FilterRules::IncludeRejection reason) {
    switch (reason) {
    case FilterRules::IncludeRejection::agentFolder:
        return "That folder is where background services are configured, not where they run.\n\n"
               "Vellumark matches a server’s working directory, so pointing it at a LaunchAgents folder can never "
               "match anything.\n\n"
               "To see a service like Ollama, add its port under “Always watch these ports” above.";
    case FilterRules::IncludeRejection::libraryFolder:
        return "Vellumark never watches anything inside a Library folder. That’s system and app support data, not "
               "projects.\n\n"
               "If you’re trying to catch a background service, add its port under “Always watch these ports” above "
               "instead.";
    case FilterRules::IncludeRejection::hiddenFolder:
        return "Vellumark skips hidden folders, meaning any path with a part that starts with a dot.";
    case FilterRules::IncludeRejection::insideHome:
        return "Folders inside your home folder are watched already, so adding this one changes nothing.";
    }
    return {};
}

}  // namespace FilterEdits
