#pragma once
// A desktop of the test's own for end-to-end runs: an Xvfb server on a free display number with
// trayer as the tray host, the real programs started in it, and X11 looked at and driven through
// xdotool and ImageMagick's import.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app_test {

// A child process leading its own process group, its output in a log file. The group is stopped
// (SIGTERM, then SIGKILL) and the child reaped when the object goes.
class Spawned {
public:
    struct Options {
        std::filesystem::path folder;  // working directory; the test's own when empty
        // Added to (or replacing in) the test's environment; an absent value removes the variable.
        std::map<std::string, std::optional<std::string>> environment;
        std::filesystem::path log;  // standard output and error; /dev/null when empty
    };
    // Throws when the program cannot be started.
    Spawned(const std::vector<std::string>& argv, const Options& options);
    ~Spawned();
    Spawned(const Spawned&) = delete;
    Spawned& operator=(const Spawned&) = delete;

    pid_t pid() const { return pid_; }
    // Whether it has exited (reaping it then); the exit status is kept.
    bool hasExited();
    // Waits for the exit within the limit; its exit code, or none (still running, or killed by a
    // signal).
    std::optional<int> waitForExit(std::chrono::milliseconds limit);

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

// A viewable window as xdotool reports it.
struct WindowInfo {
    std::string id;                           // decimal window id
    int x = 0, y = 0, width = 0, height = 0;  // absolute
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

class DesktopSession {
public:
    static constexpr int screenWidth = 1280;
    static constexpr int screenHeight = 800;

    // Starts Xvfb on the first free display number from 60 on and trayer in it, and points DISPLAY
    // at it for this process and its children. Throws when either cannot be started.
    explicit DesktopSession(const std::filesystem::path& logFolder);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    const std::string& display() const { return display_; }

    // The viewable windows whose name is exactly `name` (matched byte for byte).
    std::vector<WindowInfo> windowsNamed(const std::string& name) const;
    // The viewable windows whose WM_CLASS instance is `instance` ("vellumark" for the application).
    std::vector<WindowInfo> windowsOfInstance(const std::string& instance) const;
    // The tray host's panel.
    std::optional<WindowInfo> trayPanel() const;

    // xdotool with these arguments; true when it exited with 0.
    bool xdotool(const std::vector<std::string>& arguments) const;
    void moveMouse(int x, int y) const;
    void click(int x, int y) const;
    // The whole screen as PNG (ImageMagick's import); false when that failed.
    bool screenshot(const std::filesystem::path& path) const;

private:
    std::string display_;
    std::optional<std::string> previousDisplay_;
    std::unique_ptr<Spawned> server_;
    std::unique_ptr<Spawned> tray_;
};

// Runs a tool (looked up on PATH) with a time limit; its standard output when it exited with 0.
std::optional<std::string> runTool(const std::vector<std::string>& argv,
                                   std::chrono::milliseconds limit = std::chrono::milliseconds(10'000));

// Polls every 50 ms until the condition holds or the limit passes.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

}  // namespace app_test
