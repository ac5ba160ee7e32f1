#include "Platform/x11/DisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace DisplayCheck {
namespace {

const std::string headlessHint =
    "; on a machine without a screen, start it with QT_QPA_PLATFORM=offscreen (or -platform offscreen) or "
    "under xvfb-run";

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> platformsToTry(const Probe& probe, const std::optional<std::string>& argument) {
    std::vector<std::string> platforms;
    std::optional<std::string> requested = argument;
    if (!requested || trimmed(*requested).empty()) requested = probe.environment("QT_QPA_PLATFORM");
    if (requested && !trimmed(*requested).empty()) {
        std::istringstream list(*requested);
        std::string entry;
        while (std::getline(list, entry, ';')) {
            const std::string name = trimmed(entry.substr(0, entry.find(':')));
            if (!name.empty()) platforms.push_back(name);
        }
        return platforms;
    }
    if (probe.environment("XDG_SESSION_TYPE").value_or("") == "wayland") platforms.push_back("wayland");
    platforms.push_back("xcb");
    return platforms;
}

bool isWayland(const std::string& platform) { return platform.rfind("wayland", 0) == 0; }

// Why the platform cannot start, or none when it can (or needs no display).
std::optional<std::string> obstacle(const std::string& platform, const Probe& probe) {
    if (platform == "xcb") {
        const std::string display = probe.environment("DISPLAY").value_or("");
        if (display.empty()) return "no display to open (DISPLAY is not set)";
        if (!probe.x11Reachable(display)) return "cannot open display \"" + display + "\"";
        return std::nullopt;
    }
    if (isWayland(platform)) {
        std::string socket = probe.environment("WAYLAND_DISPLAY").value_or("");
        if (socket.empty()) socket = "wayland-0";
        if (socket.front() != '/') {
            const std::string runtime = probe.environment("XDG_RUNTIME_DIR").value_or("");
            if (runtime.empty()) return "no Wayland display (XDG_RUNTIME_DIR is not set)";
            socket = runtime + "/" + socket;
        }
        if (!probe.socketExists(socket)) return "no Wayland display at " + socket;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

Probe systemProbe() {
    return {
        [](const char* name) -> std::optional<std::string> {
            const char* value = std::getenv(name);
            return value ? std::optional<std::string>(value) : std::nullopt;
        },
        [](const std::string& display) {
            xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
            const bool reachable = connection && xcb_connection_has_error(connection) == 0;
            xcb_disconnect(connection);
            return reachable;
        },
        [](const std::string& path) {
            std::error_code error;
            return std::filesystem::is_socket(path, error);
        },
    };
}

std::optional<std::string> platformArgument(const std::vector<std::string>& arguments) {
    std::optional<std::string> platform;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != "-platform" && arguments[i] != "--platform") continue;
        if (++i == arguments.size()) break;
        platform = arguments[i];
    }
    if (platform && trimmed(*platform).empty()) return std::nullopt;
    return platform;
}

std::optional<std::string> problem(const Probe& probe, const std::optional<std::string>& platformArgument) {
    const std::vector<std::string> platforms = platformsToTry(probe, platformArgument);
    std::optional<std::string> first;
    for (const std::string& platform : platforms) {
        auto reason = obstacle(platform, probe);
        if (!reason) return std::nullopt;
        if (!first) first = std::move(reason);
    }
    if (!first) return std::nullopt;
    return "Vellumark: " + *first + headlessHint;
}

}  // namespace DisplayCheck
