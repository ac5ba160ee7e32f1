#include "support/ProcFacts.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <string_view>
#include <unordered_map>

#include "Platform/ProcFS.h"

namespace ProcFacts {
namespace {

// Socket inode → port, of the TCP sockets in the LISTEN state.
using ListeningSockets = std::unordered_map<std::uint64_t, int>;

// The whole of a small /proc file, at most the buffer's size.
std::string_view readSmall(int folder, const char* name, char (&buffer)[4096]) {
    const int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return got > 0 ? std::string_view(buffer, static_cast<std::size_t>(got)) : std::string_view();
}

std::string linkTarget(int folder, const char* name) {
    char target[4096];
    const ssize_t size = ::readlinkat(folder, name, target, sizeof target);
    return size > 0 ? std::string(target, static_cast<std::size_t>(size)) : std::string();
}

template <typename Number>
Number hexOrDecimal(std::string_view text, int base) {
    Number value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value, base);
    return value;
}

// /proc/net/tcp and tcp6: "sl local rem st ... inode", the port after the local address's ":".
void addListening(const char* table, ListeningSockets& sockets) {
    const int fd = ::open(table, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    std::string text;
    char buffer[65536];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    std::size_t start = text.find('\n');  // past the heading
    while (start != std::string::npos && start + 1 < text.size()) {
        const std::size_t end = text.find('\n', start + 1);
        std::string_view line(text.data() + start + 1, (end == std::string::npos ? text.size() : end) - start - 1);
        start = end;
        std::string_view fields[10];
        std::size_t count = 0;
        for (std::size_t at = 0; count < 10 && at < line.size();) {
            at = line.find_first_not_of(' ', at);
            if (at == std::string_view::npos) break;
            const std::size_t stop = std::min(line.find(' ', at), line.size());
            fields[count++] = line.substr(at, stop - at);
            at = stop;
        }
        if (count < 10 || fields[3] != "0A") continue;
        const auto colon = fields[1].rfind(':');
        if (colon == std::string_view::npos) continue;
        sockets.emplace(hexOrDecimal<std::uint64_t>(fields[9], 10), hexOrDecimal<int>(fields[1].substr(colon + 1), 16));
    }
}

// The listening ports among the process's open files.
std::set<int> portsOf(int processFolder, const ListeningSockets& sockets) {
    std::set<int> ports;
    const int fdFolder = ::openat(processFolder, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdFolder < 0) return ports;
    DIR* files = ::fdopendir(fdFolder);
    if (!files) {
        ::close(fdFolder);
        return ports;
    }
    while (const dirent* file = ::readdir(files)) {
        if (file->d_name[0] == '.') continue;
        char target[64];
        const ssize_t size = ::readlinkat(fdFolder, file->d_name, target, sizeof target);
        const std::string_view link(target, size > 0 ? static_cast<std::size_t>(size) : 0);
        if (!link.starts_with("socket:[") || !link.ends_with(']')) continue;
        const auto found = sockets.find(hexOrDecimal<std::uint64_t>(link.substr(8, link.size() - 9), 10));
        if (found != sockets.end()) ports.insert(found->second);
    }
    ::closedir(files);
    return ports;
}

}  // namespace

Facts read(uid_t uid) {
    Facts facts;
    ListeningSockets sockets;
    addListening("/proc/net/tcp", sockets);
    addListening("/proc/net/tcp6", sockets);

    DIR* proc = ::opendir("/proc");
    if (!proc) return facts;
    while (const dirent* entry = ::readdir(proc)) {
        std::int32_t pid = 0;
        const std::string_view name(entry->d_name);
        if (std::from_chars(name.data(), name.data() + name.size(), pid).ptr != name.data() + name.size()) continue;
        const int folder = ::openat(::dirfd(proc), entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) continue;
        char buffer[4096];
        // Fields 5 (group), 14 and 15 (user and system time), 22 (start) and 24 (resident pages).
        const auto fields = Platform::ProcFS::statFields(readSmall(folder, "stat", buffer));
        if (fields.size() > 21) {
            const auto number = [&](std::size_t field) {
                return Platform::ProcFS::parseCounter(fields[field - 3]).value_or(0);
            };
            facts.processes.push_back(
                {pid, static_cast<std::int32_t>(number(5)), number(14) + number(15), number(22), number(24)});
            struct stat owner {};
            if (::fstat(folder, &owner) == 0 && owner.st_uid == uid) {
                if (auto ports = portsOf(folder, sockets); !ports.empty()) {
                    Listener listener{pid, std::move(ports), linkTarget(folder, "cwd"), {}, {}};
                    listener.name = std::string(readSmall(folder, "comm", buffer));
                    listener.commandLine = std::string(readSmall(folder, "cmdline", buffer));
                    facts.listeners.push_back(std::move(listener));
                }
            }
        }
        ::close(folder);
    }
    ::closedir(proc);
    return facts;
}

}  // namespace ProcFacts
