// Which folders hold the user's projects, and which project folder a working directory belongs to.
// Paths are compared as text only: nothing is resolved on disk, so a scan never touches the files.

#include <optional>
#include <string>

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/ScanText.h"

namespace ProcessScannerParsing {

namespace {

// What follows "<folder>/" in the path, when the path begins so (a trailing "/" of the folder is
// that one); checked in place, as the scope test runs for every listening process.
std::optional<std::string_view> below(std::string_view path, std::string_view folder) {
    if (!path.starts_with(folder)) return std::nullopt;
    path.remove_prefix(folder.size());
    if (folder.empty() || folder.back() != '/') {
        if (!path.starts_with('/')) return std::nullopt;
        path.remove_prefix(1);
    }
    return path;
}

// The first non-empty component; empty when there is none.
std::string_view firstComponent(std::string_view path) {
    const auto start = path.find_first_not_of('/');
    if (start == std::string_view::npos) return {};
    return path.substr(start, path.find('/', start) - start);
}

// hasPathPrefix(path, <home without one trailing "/"> + "/Library"), without building that text.
bool liesInHomeLibrary(std::string_view path, std::string_view home) {
    constexpr std::string_view library = "/Library";
    const auto folder = ScanText::withoutOneTrailingSlash(home);
    if (!path.starts_with(folder)) return false;
    path.remove_prefix(folder.size());
    return path.starts_with(library) && (path.size() == library.size() || path[library.size()] == '/');
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
    if (liesInHomeLibrary(cwd, home)) return false;
    if (ScanText::hasHiddenComponent(cwd)) return false;
    if (liesInAny(cwd, excludedFolders)) return false;
    if (const auto rest = below(cwd, home); rest && !firstComponent(*rest).empty()) return true;
    return liesInAny(cwd, includedFolders);
}

ProjectIdentityView projectIdentityView(std::string_view cwd, std::string_view devFolder, std::string& storage) {
    if (const auto rest = below(cwd, devFolder)) {
        if (const auto name = firstComponent(*rest); !name.empty()) {
            // "<devFolder>/<name>" is where the name stands in `cwd` unless more "/"s come between.
            if (name.data() == rest->data())
                return {name, cwd.substr(0, static_cast<std::size_t>(name.data() + name.size() - cwd.data()))};
            storage.assign(devFolder);
            if (storage.empty() || storage.back() != '/') storage += '/';
            storage += name;
            return {name, storage};
        }
    }
    return {ScanText::lastPathComponent(cwd), cwd};
}

ProjectIdentity projectIdentity(std::string_view cwd, std::string_view devFolder) {
    std::string storage;
    const auto identity = projectIdentityView(cwd, devFolder, storage);
    return {std::string(identity.name), std::string(identity.path)};
}

}  // namespace ProcessScannerParsing
