#include "Platform/AppGroupContainer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "Platform/PrivateFolders.h"
#include "Platform/SystemLog.h"
#include "Platform/UniqueFd.h"
#include "Platform/UserPaths.h"

namespace Platform {
namespace {

// Why the folder cannot serve as the container, or nothing when it can (made private if need be).
std::optional<std::string> refusal(const std::filesystem::path& folder) {
    // The container holds the command queue, which makes the application signal processes: keep it
    // private to the user, and never take one someone else made, whose commands would be theirs.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::strerror(errno);
    // Looked at through a descriptor, not the name, so the folder checked is the folder tightened;
    // O_PATH needs no read permission on it, O_NOFOLLOW turns a symbolic link away.
    const UniqueFd handle(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!handle) {
        const int openError = errno;
        struct stat link {};
        if (::lstat(folder.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) return "is a symbolic link";
        return openError == ENOTDIR ? "is not a folder" : std::strerror(openError);
    }
    struct stat info {};
    if (::fstat(handle.get(), &info) != 0) return std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return "is not a folder";
    if (info.st_uid != ::geteuid()) return "belongs to another user";
    if ((info.st_mode & 0777) != 0700) {
        // fchmod refuses O_PATH descriptors; the descriptor's /proc entry reaches the same folder.
        const std::string self = "/proc/self/fd/" + std::to_string(handle.get());
        // Left readable (a read-only file system, say) it still serves; left writable to others, not.
        if (::chmod(self.c_str(), 0700) != 0 && (info.st_mode & 022) != 0)
            return std::string("cannot be made private: ") + std::strerror(errno);
    }
    return std::nullopt;
}

// Every snapshot write and every drain asks for the container: a refusal is logged when it begins
// or its reason changes, not on every ask.
void report(const std::filesystem::path& folder, const std::optional<std::string>& reason) {
    static std::mutex mutex;
    static std::map<std::string, std::string>* const reported = new std::map<std::string, std::string>;
    std::lock_guard lock(mutex);
    if (!reason) {
        reported->erase(folder.string());
        return;
    }
    std::string& last = (*reported)[folder.string()];
    if (last == *reason) return;
    last = *reason;
    systemLog("Vellumark: cannot use the App Group folder " + folder.string() + ": " + *reason);
}

}  // namespace

std::optional<std::filesystem::path> appGroupContainer(const std::string& identifier) {
    if (identifier.empty() || identifier == "." || identifier == ".." ||
        identifier.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        return std::nullopt;
    }
    const std::filesystem::path base = dataHome();
    const std::filesystem::path folder = base / identifier;
    const std::error_code error = createPrivateFolders(base);
    std::optional<std::string> reason;
    if (error) {
        reason = base.string() + ": " + error.message();
    } else {
        reason = refusal(folder);
    }
    report(folder, reason);
    if (reason) return std::nullopt;
    return folder;
}

}  // namespace Platform
