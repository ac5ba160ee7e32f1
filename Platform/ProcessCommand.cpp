#include "Platform/ProcessCommand.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "Platform/AtomicFile.h"

namespace Platform::ProcessCommand {
namespace {

std::string procPath(std::int32_t pid, const char* entry) { return "/proc/" + std::to_string(pid) + "/" + entry; }

// The NUL-terminated strings of a /proc entry; a last string without its NUL counts too.
std::vector<std::string> nulSeparated(std::string_view text) {
    std::vector<std::string> strings;
    while (!text.empty()) {
        const std::size_t end = text.find('\0');
        strings.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return strings;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

}  // namespace

// A process's arguments and environment together fit in a quarter of its stack limit (8 MiB by
// default); a larger list is not read, and such a process is not restarted.
constexpr std::size_t maximumListSize = 8 << 20;

std::optional<std::vector<std::string>> arguments(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    const std::optional<std::string> text = readWholeFile(procPath(pid, "cmdline"), maximumListSize);
    if (!text || text->empty()) return std::nullopt;
    return nulSeparated(*text);
}

std::optional<std::string> environmentVariable(std::int32_t pid, std::string_view name) {
    if (pid <= 0) return std::nullopt;
    const std::optional<std::string> text = readWholeFile(procPath(pid, "environ"), maximumListSize);
    if (!text) return std::nullopt;
    for (const std::string& variable : nulSeparated(*text)) {
        if (variable.size() > name.size() && variable.starts_with(name) && variable[name.size()] == '=')
            return variable.substr(name.size() + 1);
    }
    return std::nullopt;
}

bool executes(std::int32_t pid, const std::string& path) {
    if (pid <= 0) return false;
    const std::string executable = procPath(pid, "exe");
    if (sameFile(executable, path)) return true;
    // The link then names the file's former place, marked as deleted.
    constexpr std::string_view deleted = " (deleted)";
    std::error_code error;
    std::string former = std::filesystem::read_symlink(executable, error).string();
    if (error || !former.ends_with(deleted)) return false;
    former.resize(former.size() - deleted.size());
    const std::filesystem::path current = std::filesystem::canonical(path, error);
    return !error && current == former;
}

}  // namespace Platform::ProcessCommand
