#include "Platform/NotifyFolders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "Platform/UserPaths.h"

namespace Platform::NotifyFolders {
namespace {

constexpr std::size_t longestFolderName = 255;

bool keptAsIs(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '.' || byte == '-' || byte == '_';
}

std::filesystem::path temporaryFolder() {
    const char* value = std::getenv("TMPDIR");
    if (value && value[0] == '/') return value;
    return "/tmp";
}

// Opens (with create: makes) one private folder below an already checked one.
UniqueFd openPrivateFolder(int parentFd, const std::string& name, bool create, std::string& error) {
    if (create && ::mkdirat(parentFd, name.c_str(), 0700) != 0 && errno != EEXIST) {
        error = std::strerror(errno);
        return {};
    }
    // O_NOFOLLOW refuses a symbolic link put in the folder's place.
    UniqueFd folder(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) {
        const int openError = errno;
        struct stat link {};
        const bool isLink = ::fstatat(parentFd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode);
        error = isLink ? "is a symbolic link" : std::strerror(openError);
        return {};
    }
    struct stat info {};
    if (::fstat(folder.get(), &info) != 0) {
        error = std::strerror(errno);
        return {};
    }
    if (info.st_uid != ::geteuid()) {
        error = "belongs to another user";
        return {};
    }
    if ((info.st_mode & 077) != 0 && ::fchmod(folder.get(), 0700) != 0) {
        error = std::string("cannot be made private: ") + std::strerror(errno);
        return {};
    }
    return folder;
}

}  // namespace

std::optional<std::string> folderName(std::string_view notificationName) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string name;
    for (std::size_t i = 0; i < notificationName.size(); ++i) {
        const auto byte = static_cast<unsigned char>(notificationName[i]);
        if (keptAsIs(byte) && !(i == 0 && byte == '.')) {
            name.push_back(static_cast<char>(byte));
        } else {
            name.push_back('%');
            name.push_back(hex[byte >> 4]);
            name.push_back(hex[byte & 0xF]);
        }
    }
    if (name.empty() || name.size() > longestFolderName) return std::nullopt;
    return name;
}

std::optional<Folder> openRuntimeFolder(const std::vector<std::string>& components, bool create, std::string& error) {
    std::filesystem::path path;
    std::string top;
    if (const std::optional<std::filesystem::path> runtime = runtimeDirectory()) {
        path = *runtime;
        top = "vellumark";
    } else {
        path = temporaryFolder();
        top = "vellumark-" + std::to_string(::geteuid());
    }
    UniqueFd current(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!current) {
        error = path.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    Folder folder{std::move(current), std::move(path)};
    std::vector<std::string> road{top};
    road.insert(road.end(), components.begin(), components.end());
    for (const std::string& component : road) {
        std::optional<Folder> next = openSubfolder(folder, component, create, error);
        if (!next) return std::nullopt;
        folder = std::move(*next);
    }
    return folder;
}

std::optional<Folder> openRootFolder(bool create, std::string& error) {
    return openRuntimeFolder({"notify"}, create, error);
}

std::optional<Folder> openSubfolder(const Folder& parent, const std::string& name, bool create, std::string& error) {
    const std::filesystem::path path = parent.path / name;
    UniqueFd folder = openPrivateFolder(parent.fd.get(), name, create, error);
    if (!folder) {
        error = path.string() + ": " + error;
        return std::nullopt;
    }
    return Folder{std::move(folder), path};
}

std::optional<Folder> openNameFolder(std::string_view notificationName, bool create, std::string& error) {
    const std::optional<std::string> leaf = folderName(notificationName);
    if (!leaf) {
        error = "not a usable notification name";
        return std::nullopt;
    }
    const std::optional<Folder> root = openRootFolder(create, error);
    if (!root) return std::nullopt;
    return openSubfolder(*root, *leaf, create, error);
}

std::optional<SocketAddress> socketAddress(const Folder& folder, const std::string& entry) {
    SocketAddress result;
    constexpr std::size_t capacity = sizeof(result.address.sun_path);
    std::string path = (folder.path / entry).string();
    if (path.size() >= capacity) path = "/proc/self/fd/" + std::to_string(folder.fd.get()) + "/" + entry;
    if (path.size() >= capacity) return std::nullopt;
    result.address.sun_family = AF_UNIX;
    std::memcpy(result.address.sun_path, path.c_str(), path.size() + 1);
    result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    return result;
}

}  // namespace Platform::NotifyFolders
