#include "Platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    // Non-blocking, so a FIFO (or a device) planted under the name cannot hang the open; only a
    // regular file is read at all.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;

    std::string contents;
    if (info.st_size > 0) contents.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0) return contents;
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace Platform
