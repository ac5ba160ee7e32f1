#pragma once
// A desktop of the test's own for end-to-end runs: Xvfb on a free display number with trayer as the
// tray host, looked at and driven through xdotool.

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Platform/ProcessRunner.h"
#include "discovery/support/TestProcesses.h"

namespace app_test {

// A program's standard output, run through env (a PATH search) with a time limit; none unless it
// exited with 0.
inline std::optional<std::string> runTool(const std::vector<std::string>& argv) {
    const Platform::ProcessResult result = Platform::runProcess({"/usr/bin/env", argv, std::chrono::seconds(10)});
    if (result.outcome != Platform::ProcessResult::Outcome::exited || result.exitStatus != 0) return std::nullopt;
    return result.output;
}

// A viewable window as xdotool reports it.
struct WindowInfo {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;  // absolute
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

class DesktopSession {
public:
    static constexpr int screenWidth = 1280, screenHeight = 800;

    // Starts Xvfb on the first free display number from 60 on and trayer in it, and points DISPLAY
    // at it for this process and its children. Throws when either cannot be started.
    explicit DesktopSession(const std::filesystem::path& logFolder) {
        if (const char* current = std::getenv("DISPLAY")) previousDisplay_ = current;
        testing_support::SpawnOptions options;
        options.stopSignal = SIGTERM;  // Xvfb removes its lock file then
        options.output = logFolder / "desktop.log";
        std::string display;
        for (int number = 60; number < 200 && !server_; ++number) {
            display = ":" + std::to_string(number);
            if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
            auto server = std::make_unique<testing_support::ChildProcess>(
                std::vector<std::string>{"Xvfb", display, "-screen", "0", std::to_string(screenWidth) + "x" +
                                         std::to_string(screenHeight) + "x24", "-nolisten", "tcp"},
                options);
            // Another server may have taken the number meanwhile: then this one exits and the next is tried.
            testing_support::waitUntil(
                [&] { return server->hasExited() || runTool({"xwininfo", "-root", "-display", display}); },
                std::chrono::seconds(10));
            if (!server->hasExited()) server_ = std::move(server);
        }
        if (!server_) throw std::runtime_error("no Xvfb could be started");
        setenv("DISPLAY", display.c_str(), 1);
        tray_ = std::make_unique<testing_support::ChildProcess>(
            std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                                     "28", "--SetDockType", "true", "--transparent", "false"},
            options);
        if (!testing_support::waitUntil([&] { return trayPanel().has_value(); }, std::chrono::seconds(10))) {
            throw std::runtime_error("trayer did not start");
        }
    }

    ~DesktopSession() {
        tray_.reset();
        server_.reset();
        previousDisplay_ ? setenv("DISPLAY", previousDisplay_->c_str(), 1) : unsetenv("DISPLAY");
    }

    // The viewable windows whose name, or WM_CLASS instance, is exactly `text`.
    std::vector<WindowInfo> windowsNamed(const std::string& text) const { return windows("--name", text); }
    std::vector<WindowInfo> windowsOfInstance(const std::string& text) const { return windows("--classname", text); }
    std::optional<WindowInfo> trayPanel() const {
        const auto panels = windowsOfInstance("panel");
        return panels.empty() ? std::nullopt : std::optional(panels.front());
    }

    // xdotool with these arguments; true when it exited with 0.
    bool xdotool(const std::vector<std::string>& arguments) const {
        std::vector<std::string> argv{"xdotool"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runTool(argv).has_value();
    }
    // Without --sync: that waits for the pointer to move, forever when it is already there.
    void moveMouse(int x, int y) const { xdotool({"mousemove", std::to_string(x), std::to_string(y)}); }
    void click(int x, int y) const { xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}); }
    // The whole screen as PNG, for a person to look at.
    void screenshot(const std::string& path) const { runTool({"import", "-window", "root", path}); }

private:
    std::vector<WindowInfo> windows(const std::string& by, const std::string& text) const {
        std::string pattern = "^";
        for (char c : text) pattern += std::strchr(".^$|()[]{}*+?\\", c) ? std::string("\\") + c : std::string(1, c);
        std::vector<WindowInfo> result;
        // xdotool search exits with 1 when nothing matches.
        std::istringstream ids(runTool({"xdotool", "search", "--onlyvisible", by, pattern + "$"}).value_or(""));
        for (std::string id; std::getline(ids, id);) {
            // "Window 4194310\n  Position: 1257,1 (screen: 0)\n  Geometry: 22x26\n"
            const std::string description = runTool({"xdotool", "getwindowgeometry", id}).value_or("");
            const auto position = description.find("Position:"), geometry = description.find("Geometry:");
            WindowInfo window;
            window.id = id;
            if (position != std::string::npos && geometry != std::string::npos &&
                std::sscanf(description.c_str() + position, "Position: %d,%d", &window.x, &window.y) == 2 &&
                std::sscanf(description.c_str() + geometry, "Geometry: %dx%d", &window.width, &window.height) == 2) {
                result.push_back(window);
            }
        }
        return result;
    }

    std::optional<std::string> previousDisplay_;
    std::unique_ptr<testing_support::ChildProcess> server_, tray_;
};

}  // namespace app_test
