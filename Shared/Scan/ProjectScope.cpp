// Which folders hold the user's projects, and which project folder a working directory belongs to.
// Paths are compared as text only: nothing is resolved on disk, so a scan never touches the files.

#include <string>

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Scan/ScanText.h"

namespace ProcessScannerParsing {

namespace {

std::string withTrailingSlash(std::string_view folder) {
    std::string result(folder);
    if (result.empty() || result.back() != '/') result.push_back('/');
    return result;
}

std::string_view firstComponent(std::string_view path) {
    std::string_view first;
    ScanText::forEachPathComponent(path, [&](std::string_view component) {
        if (first.empty()) first = component;
    });
    return first;
}

}  // namespace

bool liesInAny(std::string_view path, const std::vector<std::string>& folders) {
    for (const auto& folder : folders)
        if (hasPathPrefix(path, folder)) return true;
    return false;
}

bool isInScope(std::string_view cwd, std::string_view home, const std::vector<std::string>& excludedFolders,
               const std::vector<std::string>& includedFolders) {
    if (cwd == "/") return false;
    if (hasPathPrefix(cwd, std::string(ScanText::withoutOneTrailingSlash(home)) + "/Library")) return false;
    if (ScanText::hasHiddenComponent(cwd)) return false;
    if (liesInAny(cwd, excludedFolders)) return false;
    const auto homePrefix = withTrailingSlash(home);
    if (cwd.starts_with(homePrefix) && !firstComponent(cwd.substr(homePrefix.size())).empty()) return true;
    return liesInAny(cwd, includedFolders);
}

ProjectIdentity projectIdentity(std::string_view cwd, std::string_view devFolder) {
    const auto devPrefix = withTrailingSlash(devFolder);
    if (cwd.starts_with(devPrefix)) {
        const auto name = firstComponent(cwd.substr(devPrefix.size()));
        if (!name.empty()) return {std::string(name), devPrefix + std::string(name)};
    }
    return {std::string(ScanText::lastPathComponent(cwd)), std::string(cwd)};
}

}  // namespace ProcessScannerParsing
