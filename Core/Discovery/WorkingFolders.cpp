#include "Core/Discovery/WorkingFolders.h"

#include <unistd.h>

#include <optional>

#include "Platform/AtomicFile.h"
#include "Shared/ScanText.h"

namespace WorkingFolders {
namespace {

// The link's target as the kernel gives it ("<folder> (deleted)" for a removed one, which lsof
// prints as well).
std::optional<std::string> linkTarget(const std::string& link) {
    std::string target(4096, '\0');
    for (;;) {
        const ssize_t size = ::readlink(link.c_str(), target.data(), target.size());
        if (size < 0) return std::nullopt;
        if (static_cast<std::size_t>(size) < target.size()) {
            target.resize(static_cast<std::size_t>(size));
            return target;
        }
        target.resize(target.size() * 2);  // cut off: ask again with room for more
    }
}

}  // namespace

std::string asLsofText(const std::vector<std::int32_t>& pids) {
    std::string text;
    for (const std::int32_t pid : pids) {
        if (pid <= 0) continue;
        const std::string process = "/proc/" + std::to_string(pid);
        const std::optional<std::string> folder = linkTarget(process + "/cwd");
        if (!folder) continue;
        std::optional<std::string> name = Platform::readWholeFile(process + "/comm", 4096);
        if (!name) continue;
        if (name->ends_with('\n')) name->pop_back();
        text += 'p' + std::to_string(pid) + "\nc" + ScanText::lsofEscaped(*name) + "\nn" +
                ScanText::lsofEscaped(*folder) + '\n';
    }
    return text;
}

}  // namespace WorkingFolders
