#include "App/Launchd/JobPropertyList.h"

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/PropertyList.h"

namespace JobPropertyList {

namespace {

struct FileCloser {
    int fd;
    ~FileCloser() { ::close(fd); }
};

// Only regular files: a FIFO or a device at the reported path would block or never end, and the
// scan must not hang on it.
std::optional<std::string> readRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    const FileCloser closer{fd};
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    std::string contents;
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            // The parser takes a 32-bit length; no job's property list comes near it.
            if (contents.size() + static_cast<std::size_t>(count) > std::numeric_limits<std::uint32_t>::max())
                return std::nullopt;
            contents.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            return contents;
        } else if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

}  // namespace

bool keepsAlive(plist_t value) {
    if (!value) return false;
    switch (plist_get_node_type(value)) {
    case PLIST_BOOLEAN: {
        std::uint8_t flag = 0;
        plist_get_bool_val(value, &flag);
        return flag != 0;
    }
    case PLIST_UINT: {
        // Negative integers are stored as their two's complement; either way only zero is false.
        std::uint64_t number = 0;
        plist_get_uint_val(value, &number);
        return number != 0;
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(value, &number);
        return number != 0;
    }
    case PLIST_DICT: return true;  // conditional keep-alive (SuccessfulExit, PathState…) still restarts the job
    default: return false;
    }
}

bool fileKeepsAlive(const std::string& path) {
    const auto contents = readRegularFile(path);
    if (!contents || contents->empty()) return false;
    // Refuses, like a file that is no property list, one nested too deep for the library.
    const Platform::PropertyList::Node root = Platform::PropertyList::parse(*contents);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return false;
    // The node belongs to the dictionary; a missing key gives a null node, which counts as false.
    return keepsAlive(plist_dict_get_item(root.get(), "KeepAlive"));
}

}  // namespace JobPropertyList
