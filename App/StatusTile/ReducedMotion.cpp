#include "App/StatusTile/ReducedMotion.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Platform/AtomicFile.h"
#include "Platform/Dispatch.h"
#include "Platform/ProcessRunner.h"
#include "Platform/UserPaths.h"

namespace ReducedMotion {
namespace {

constexpr const char* gsettingsTool = "/usr/bin/gsettings";

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

// A desktop's settings file takes a few kilobytes; a FIFO in its place must not hang the read.
std::string fileText(const std::filesystem::path& path) {
    return Platform::readWholeFile(path, std::size_t{1} << 20).value_or("");
}

bool gnomeDisablesAnimations(const std::optional<std::vector<std::string>>& environment) {
    std::error_code error;
    if (!std::filesystem::exists(gsettingsTool, error)) return false;
    const Platform::ProcessResult result =
        Platform::runProcess({gsettingsTool,
                              {"get", "org.gnome.desktop.interface", "enable-animations"},
                              std::chrono::milliseconds(1000),
                              environment});
    return result.outcome == Platform::ProcessResult::Outcome::exited && result.exitStatus == 0 &&
           gsettingsOutputDisablesAnimations(result.output);
}

// What the background reads found. Never destroyed: a read may still finish while the process exits.
struct Cache {
    std::mutex mutex;
    bool requested = false;
    bool reading = false;
    std::optional<std::chrono::steady_clock::time_point> readAt;
};

Cache& cache() {
    static Cache* const shared = new Cache;
    return *shared;
}

// A desktop setting changes rarely; reading it twice a minute at most keeps gsettings off the
// process list while a change still shows within a pulse or two.
constexpr std::chrono::seconds freshFor{30};

// The settings under the given config home; gsettings runs with the given environment, this
// process's when none is given.
bool requestedIn(const std::filesystem::path& config, const std::optional<std::vector<std::string>>& environment) {
    for (const char* gtk : {"gtk-3.0", "gtk-4.0"}) {
        if (gtkSettingsDisableAnimations(fileText(config / gtk / "settings.ini"))) return true;
    }
    if (kdeGlobalsDisableAnimations(fileText(config / "kdeglobals"))) return true;
    return gnomeDisablesAnimations(environment);
}

// Call with the cache's lock held.
void startReadLocked(Cache& state) {
    if (state.reading) return;
    state.reading = true;
    // The environment is read here, on the caller's thread: a worker reading it while another
    // thread changes it (tests do) could see it half rewritten.
    Platform::Dispatch::globalAsync(Platform::Dispatch::QoS::utility,
                                    [config = Platform::configHome(), environment = Platform::environmentSnapshot()] {
                                        bool requested = false;
                                        try {
                                            requested = requestedIn(config, environment);
                                        } catch (...) {
                                            // Motion stays fine, and the next read may do better; the flag must not
                                            // stay set.
                                        }
                                        Cache& shared = cache();
                                        std::lock_guard lock(shared.mutex);
                                        shared.requested = requested;
                                        shared.reading = false;
                                        shared.readAt = std::chrono::steady_clock::now();
                                    });
}

}  // namespace

bool lastKnown() {
    Cache& state = cache();
    std::lock_guard lock(state.mutex);
    if (!state.readAt || std::chrono::steady_clock::now() - *state.readAt >= freshFor) startReadLocked(state);
    return state.requested;
}

void refreshInBackground() {
    Cache& state = cache();
    std::lock_guard lock(state.mutex);
    startReadLocked(state);
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

bool gsettingsOutputDisablesAnimations(std::string_view output) { return trimmed(output) == "false"; }

bool isRequested() { return requestedIn(Platform::configHome(), std::nullopt); }

}  // namespace ReducedMotion
