#include "Platform/AppGroupContainer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "Platform/UniqueFd.h"
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
    // private to the user, and never take one someone else made, whose commands would be theirs.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    // Looked at through a descriptor, not the name, so the folder checked is the folder tightened;
    // O_PATH needs no read permission on it, O_NOFOLLOW turns a symbolic link away.
    const UniqueFd handle(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!handle) return std::nullopt;
    struct stat info {};
    if (::fstat(handle.get(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
        return std::nullopt;
    }
    if ((info.st_mode & 0777) != 0700) {
        // fchmod refuses O_PATH descriptors; the descriptor's /proc entry reaches the same folder.
        const std::string self = "/proc/self/fd/" + std::to_string(handle.get());
        // Left readable (a read-only file system, say) it still serves; left writable to others, not.
        if (::chmod(self.c_str(), 0700) != 0 && (info.st_mode & 022) != 0) return std::nullopt;
    }
    return folder;
}

}  // namespace Platform
