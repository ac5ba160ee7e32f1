#include "Platform/AppGroupContainer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/UserPaths.h"

namespace Platform {

std::optional<std::filesystem::path> appGroupContainer(const std::string& identifier) {
    if (identifier.empty() || identifier == "." || identifier == ".." ||
        identifier.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        return std::nullopt;
    }
    std::filesystem::path base = dataHome();
    std::error_code error;
    std::filesystem::create_directories(base, error);
    if (error) return std::nullopt;

    std::filesystem::path folder = base / identifier;
    // The container holds the command queue, which makes the application signal processes: keep it
    // private to the user.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    if ((info.st_mode & 077) != 0 && info.st_uid == ::geteuid()) ::chmod(folder.c_str(), 0700);
    return folder;
}

}  // namespace Platform
