#include "App/StatusTile/ReducedMotion.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/AtomicFile.h"
#include "Platform/DconfDatabase.h"
#include "Platform/UserPaths.h"

namespace ReducedMotion {
namespace {

constexpr std::string_view animationsKey = "/org/gnome/desktop/interface/enable-animations";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// The last value of `key` in `[group]` of an INI-style text, as both GTK and KDE write them.
std::optional<std::string> iniValue(std::string_view text, std::string_view group, std::string_view key) {
    std::optional<std::string> value;
    bool inGroup = false;
    std::istringstream lines{std::string(text)};
    std::string rawLine;
    while (std::getline(lines, rawLine)) {
        const std::string_view line = trimmed(rawLine);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            inGroup = close != std::string_view::npos && line.substr(1, close - 1) == group;
            continue;
        }
        if (!inGroup) continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos || trimmed(line.substr(0, equals)) != key) continue;
        value = std::string(trimmed(line.substr(equals + 1)));
    }
    return value;
}

// Far above any desktop's settings file or user settings database; a larger one (or a FIFO in its
// place) is not read and holds no wish.
constexpr std::size_t maximumSettingsFileSize = 4 << 20;

// The settings files, in the order isRequested reads them.
enum SettingsFile { gtk3, gtk4, kde, dconf, fileCount };

std::array<std::filesystem::path, fileCount> settingsFiles(const std::filesystem::path& config) {
    return {config / "gtk-3.0/settings.ini", config / "gtk-4.0/settings.ini", config / "kdeglobals",
            config / "dconf/user"};
}

bool requestedIn(const std::filesystem::path& config) {
    const auto files = settingsFiles(config);
    const auto text = [&](SettingsFile file) {
        return Platform::readWholeFile(files[file], maximumSettingsFileSize).value_or("");
    };
    return gtkSettingsDisableAnimations(text(gtk3)) || gtkSettingsDisableAnimations(text(gtk4)) ||
           kdeGlobalsDisableAnimations(text(kde)) || dconfDatabaseDisablesAnimations(text(dconf));
}

// What tells one state of a file from another without reading it. dconf and most settings tools
// replace a file by renaming a new one over it, which changes its inode; an edit in place changes
// its size or times.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{}, changed{};

    static FileStamp of(const std::filesystem::path& path) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return {};
        return {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    }
    bool operator==(const FileStamp& other) const {
        const auto same = [](const timespec& a, const timespec& b) {
            return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
        };
        return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
               same(modified, other.modified) && same(changed, other.changed);
    }
};

// The answer of the last reading, and the files as they were then. Never destroyed, like every
// process-wide cache here, so a late call at exit finds it.
struct Cache {
    std::mutex mutex;
    std::filesystem::path config;
    std::array<FileStamp, fileCount> stamps;
    bool read = false;
    bool requested = false;
};

Cache& cache() {
    static Cache* const shared = new Cache;
    return *shared;
}

}  // namespace

bool lastKnown() {
    const std::filesystem::path config = Platform::configHome();
    std::array<FileStamp, fileCount> stamps;
    const auto files = settingsFiles(config);
    for (std::size_t file = 0; file < files.size(); ++file) stamps[file] = FileStamp::of(files[file]);
    Cache& state = cache();
    std::lock_guard lock(state.mutex);
    if (!state.read || state.config != config || state.stamps != stamps) {
        // Looked at before reading: a change while it is read shows at the next call.
        state.requested = requestedIn(config);
        state.config = config;
        state.stamps = stamps;
        state.read = true;
    }
    return state.requested;
}

bool gtkSettingsDisableAnimations(std::string_view iniText) {
    const auto value = iniValue(iniText, "Settings", "gtk-enable-animations");
    if (!value) return false;
    const std::string word = lowered(*value);
    return word == "false" || word == "0" || word == "no";
}

bool kdeGlobalsDisableAnimations(std::string_view iniText) {
    const auto value = iniValue(iniText, "KDE", "AnimationDurationFactor");
    if (!value) return false;
    double factor = 1;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, factor);
    return error == std::errc() && stop == end && factor == 0;
}

bool dconfDatabaseDisablesAnimations(std::string_view database) {
    const std::optional<bool> enabled = Platform::DconfDatabase::boolean(database, animationsKey);
    return enabled.has_value() && !*enabled;
}

bool isRequested() { return requestedIn(Platform::configHome()); }

}  // namespace ReducedMotion
