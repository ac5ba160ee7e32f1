#include "Platform/UserPaths.h"

#include <pwd.h>
#include <unistd.h>
#include <cstdlib>

#include <vector>

namespace Platform {
namespace {

std::optional<std::filesystem::path> absoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return std::nullopt;
    return std::filesystem::path(value);
}

std::filesystem::path homeFromPasswordDatabase() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return "/";
}

}  // namespace

std::filesystem::path homeDirectory() {
    if (auto home = absoluteFromEnvironment("HOME")) return *home;
    return homeFromPasswordDatabase();
}

std::filesystem::path configHome() {
    if (auto folder = absoluteFromEnvironment("XDG_CONFIG_HOME")) return *folder;
    return homeDirectory() / ".config";
}

std::filesystem::path dataHome() {
    if (auto folder = absoluteFromEnvironment("XDG_DATA_HOME")) return *folder;
    return homeDirectory() / ".local/share";
}

std::optional<std::filesystem::path> runtimeDirectory() { return absoluteFromEnvironment("XDG_RUNTIME_DIR"); }

}  // namespace Platform
