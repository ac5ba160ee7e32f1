#pragma once
// A desktop of the test's own for end-to-end runs: Xvfb with trayer as the tray host, looked at and
// driven through xdotool.

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Platform/ProcessRunner.h"
#include "support/TestProcesses.h"

namespace app_test {

// A tool's standard output, whatever its exit status (1, say, when a search found nothing).
inline std::string run(std::vector<std::string> arguments) {
    return Platform::runProcess({"/usr/bin/env", std::move(arguments), std::chrono::seconds(30)}).output;
}

inline std::string fileText(const std::filesystem::path& path) {
    return (std::ostringstream() << std::ifstream(path).rdbuf()).str();
}

// Standard output and error into `log`, these environment changes, and SIGTERM to stop it.
inline testing_support::SpawnOptions logTo(const std::filesystem::path& log,
                                           std::map<std::string, std::optional<std::string>> environment = {}) {
    testing_support::SpawnOptions options;
    options.output = log;
    options.environment = std::move(environment);
    options.stopSignal = SIGTERM;
    return options;
}

// A viewable window as xdotool reports it, in absolute coordinates.
struct WindowInfo {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

class DesktopSession {
public:
    static constexpr int screenWidth = 1280;
    static constexpr int screenHeight = 800;

    // Which tray the desktop has: trayer's XEmbed tray, or none (a StatusNotifier host lives on the
    // session bus instead, see SessionBus.h).
    enum class Tray { xembed, none };

    // Points DISPLAY at the new desktop for this process and its children. Throws when Xvfb or
    // trayer cannot be started.
    explicit DesktopSession(const std::filesystem::path& logFolder, Tray tray = Tray::xembed) {
        if (const char* current = std::getenv("DISPLAY")) previousDisplay_ = current;
        const auto log = logFolder / "xvfb.log";
        // -noreset: by default the server resets when its last client leaves, and closes every
        // connection still being set up, so trayer (or the application) connecting just as one of
        // the xdotool calls that look for it disconnects would be turned away.
        server_ = std::make_unique<testing_support::ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0",
                                     std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24",
                                     "-nolisten", "tcp", "-noreset"},
            logTo(log));  // SIGTERM: it removes its lock file
        // Xvfb takes a free display number and writes it on a line of its own once it accepts clients.
        std::string display;
        testing_support::waitUntil(
            [&] {
                std::ifstream output(log);
                for (std::string line; display.empty() && std::getline(output, line) && !output.eof();)
                    if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
                        display = ":" + line;
                return !display.empty() || server_->hasExited();
            },
            std::chrono::seconds(10));
        // Stopped before throwing: thrown out of a test program's main, nothing unwinds, and the
        // servers would outlive the test.
        if (display.empty()) {
            server_.reset();
            throw std::runtime_error("no Xvfb could be started");
        }
        setenv("DISPLAY", display.c_str(), 1);
        if (tray == Tray::none) return;
        tray_ = std::make_unique<testing_support::ChildProcess>(
            std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                                     "--height", "28", "--SetDockType", "true", "--transparent", "false"},
            logTo(logFolder / "trayer.log"));
        const auto panelShown = [&] { return !windows("--classname", "panel").empty(); };
        if (!testing_support::waitUntil(panelShown, std::chrono::seconds(20))) {
            std::ifstream said(logFolder / "trayer.log");
            const std::string trayerSaid(std::istreambuf_iterator<char>(said), {});
            tray_.reset();
            server_.reset();
            throw std::runtime_error("no trayer: " + trayerSaid);
        }
    }

    ~DesktopSession() {
        tray_.reset();
        server_.reset();
        previousDisplay_ ? setenv("DISPLAY", previousDisplay_->c_str(), 1) : unsetenv("DISPLAY");
    }

    // What follows works on the desktop that DISPLAY names (this one's while it lives), so a program
    // whose main started the desktop needs no handle on it.

    // The viewable windows whose name (`by` "--name") or WM_CLASS instance ("--classname") is exactly
    // `text`, which holds no regular-expression characters.
    static std::vector<WindowInfo> windows(const std::string& by, const std::string& text) {
        return geometries(
            xdotool({"search", "--onlyvisible", by, "^" + text + "$", "getwindowgeometry", "--shell", "%@"}));
    }
    // The window's place and size, or none when the X server has no such window.
    static std::optional<WindowInfo> geometry(const std::string& id) {
        const auto found = geometries(xdotool({"getwindowgeometry", "--shell", id}));
        return found.empty() ? std::nullopt : std::optional(found.front());
    }

    static std::string xdotool(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "xdotool");
        return run(std::move(arguments));
    }
    // Without --sync: that waits for the pointer to move, forever when it is already there.
    static void click(int x, int y) { xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}); }
    // The X window that has the keyboard focus, as xdotool names windows.
    static std::string focusedWindow() {
        std::string id = xdotool({"getwindowfocus"});
        while (!id.empty() && std::isspace(static_cast<unsigned char>(id.back()))) id.pop_back();
        return id;
    }

private:
    // The windows of getwindowgeometry's --shell output.
    static std::vector<WindowInfo> geometries(const std::string& shell) {
        std::vector<WindowInfo> found;
        for (auto at = shell.find("WINDOW="); at != std::string::npos; at = shell.find("WINDOW=", at + 1)) {
            WindowInfo window;
            char id[32];
            if (std::sscanf(shell.c_str() + at, "WINDOW=%31s X=%d Y=%d WIDTH=%d HEIGHT=%d", id, &window.x, &window.y,
                            &window.width, &window.height) == 5) {
                found.push_back(window), found.back().id = id;
            }
        }
        return found;
    }

    std::optional<std::string> previousDisplay_;
    std::unique_ptr<testing_support::ChildProcess> server_, tray_;
};

}  // namespace app_test
