#include "Platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "Platform/FolderEntries.h"
#include "Platform/SystemLog.h"
#include "Platform/UniqueFd.h"

namespace Platform {
namespace {

std::string describeErrno(const std::string& what, int error) { return what + ": " + std::strerror(error); }

bool writeAll(int fd, std::string_view bytes, int& error) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    std::string temporary = target.string() + ".XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return describeErrno("cannot create a temporary file beside " + target.string(), errno);
    // Held until the file is closed: it tells removeLeftoverTemporaryFiles that a writer lives.
    ::flock(fd, LOCK_EX | LOCK_NB);

    int error = 0;
    bool ok = writeAll(fd, bytes, error);
    // Without fsync a crash right after the rename can leave an empty file under the target's name.
    if (ok && ::fsync(fd) != 0) {
        error = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return describeErrno("cannot write " + target.string(), error);
    }
    return std::nullopt;
}

namespace {

// "<target>.XXXXXX" as mkostemp makes it: the target's name, a dot and six letters or digits.
std::optional<std::string_view> targetOfTemporary(std::string_view name) {
    constexpr std::size_t suffix = 6;
    if (name.size() < suffix + 2 || name[name.size() - suffix - 1] != '.') return std::nullopt;
    for (const char c : name.substr(name.size() - suffix))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return std::nullopt;
    return name.substr(0, name.size() - suffix - 1);
}

// A temporary file whose writer is gone: ours, a regular file, locked by nobody, and unchanged for
// long enough that no writer can be between creating and locking it, or closing and renaming it.
bool isLeftover(int folderFd, const char* name) {
    const UniqueFd fd(::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) return false;
    constexpr time_t settled = 60;
    if (info.st_mtim.tv_sec > std::time(nullptr) - settled) return false;
    return ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

void removeLeftoverTemporaryFiles(const std::filesystem::path& folder,
                                  const std::function<bool(std::string_view target)>& isTarget) {
    const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd) return;
    int removed = 0;
    forEachFolderEntry(folderFd.get(), [&](const dirent& entry) {
        const std::optional<std::string_view> target = targetOfTemporary(entry.d_name);
        if (target && isTarget(*target) && isLeftover(folderFd.get(), entry.d_name) &&
            ::unlinkat(folderFd.get(), entry.d_name, 0) == 0)
            ++removed;
    });
    if (removed > 0)
        systemLog("Vellumark: removed " + std::to_string(removed) + " temporary file" + (removed == 1 ? "" : "s") +
                  " that a stopped run left in " + folder.string());
}

std::optional<std::string> readOpenFile(int fd, std::size_t maximumSize, const std::filesystem::path& path) {
    const auto tooLarge = [&] {
        systemLog("Vellumark: not reading " + path.string() + ": larger than " + std::to_string(maximumSize) +
                  " bytes");
        return std::nullopt;
    };
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0 && static_cast<std::uintmax_t>(info.st_size) > maximumSize)
        return tooLarge();
    // The stated size can be wrong both ways (a file in /proc states none, another writer may be
    // appending), so the limit holds for what is read, and the buffer grows only with it.
    std::string contents;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) return contents;
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (static_cast<std::size_t>(got) > maximumSize - contents.size()) return tooLarge();
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::size_t maximumSize) {
    // Non-blocking, so a FIFO (or a device) planted under the name cannot hang the open; only a
    // regular file is read at all.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return readOpenFile(fd.get(), maximumSize, path);
}

}  // namespace Platform
