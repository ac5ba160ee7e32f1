#include "Platform/ProgramLookup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

namespace Platform {
namespace {

std::string inFolder(std::string_view path, const std::string& folder) {
    if (path.starts_with('/')) return std::string(path);
    if (path.empty()) return folder;
    return folder + "/" + std::string(path);
}

}  // namespace

bool isExecutableFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    return ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> findProgram(const std::string& name, const std::string& searchPath,
                                       const std::string& folder) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string::npos) {
        std::string path = inFolder(name, folder);
        if (isExecutableFile(path)) return path;
        return std::nullopt;
    }
    std::string_view entries = searchPath;
    for (;;) {
        const std::size_t colon = entries.find(':');
        const std::string candidate = inFolder(entries.substr(0, colon), folder) + "/" + name;
        if (isExecutableFile(candidate)) return candidate;
        if (colon == std::string_view::npos) return std::nullopt;
        entries.remove_prefix(colon + 1);
    }
}

}  // namespace Platform
