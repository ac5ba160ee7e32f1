#include "app/support/DesktopSession.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "Platform/ProcessRunner.h"

extern char** environ;

namespace app_test {
namespace {

using namespace std::chrono_literals;

std::optional<std::string> findOnPath(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return std::nullopt;
}

std::vector<std::string> environmentWith(const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable(*entry);
        const std::string name = variable.substr(0, variable.find('='));
        if (!changes.contains(name)) result.push_back(variable);
    }
    for (const auto& [name, value] : changes) {
        if (value) result.push_back(name + "=" + *value);
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& text : strings) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

}  // namespace

// --- Spawned ----------------------------------------------------------------------------------------

Spawned::Spawned(const std::vector<std::string>& argv, const Options& options) {
    if (argv.empty()) throw std::invalid_argument("nothing to run");
    const auto program = findOnPath(argv.front());
    if (!program) throw std::runtime_error(argv.front() + " is not installed");

    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = environmentWith(options.environment);
    std::vector<char*> argp = pointers(arguments);
    std::vector<char*> envp = pointers(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = options.log.empty() ? "/dev/null" : options.log.string();
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (!options.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.folder.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int error = posix_spawn(&pid_, program->c_str(), &actions, &attributes, argp.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + *program + ": " + std::strerror(error));
}

Spawned::~Spawned() {
    if (pid_ <= 0) return;
    if (!hasExited()) kill(-pid_, SIGTERM);
    if (!waitFor([&] { return hasExited(); }, 3s)) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    // Whatever the child left in its group goes too.
    kill(-pid_, SIGKILL);
}

bool Spawned::hasExited() {
    if (reaped_) return true;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
    return reaped_;
}

std::optional<int> Spawned::waitForExit(std::chrono::milliseconds limit) {
    if (!waitFor([&] { return hasExited(); }, limit)) return std::nullopt;
    if (!WIFEXITED(status_)) return std::nullopt;
    return WEXITSTATUS(status_);
}

// --- tools ------------------------------------------------------------------------------------------

std::optional<std::string> runTool(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    const auto program = findOnPath(argv.front());
    if (!program) return std::nullopt;
    const Platform::ProcessResult result =
        Platform::runProcess({*program, std::vector<std::string>(argv.begin() + 1, argv.end()), limit});
    if (result.outcome != Platform::ProcessResult::Outcome::exited || result.exitStatus != 0) return std::nullopt;
    return result.output;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// --- DesktopSession ---------------------------------------------------------------------------------

DesktopSession::DesktopSession(const std::filesystem::path& logFolder) {
    if (const char* current = std::getenv("DISPLAY")) previousDisplay_ = current;
    for (int number = 60; number < 200 && !server_; ++number) {
        const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (std::filesystem::exists(lock) || std::filesystem::exists(socket)) continue;
        const std::string display = ":" + std::to_string(number);
        auto server = std::make_unique<Spawned>(
            std::vector<std::string>{"Xvfb", display, "-screen", "0",
                                     std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24",
                                     "-nolisten", "tcp"},
            Spawned::Options{{}, {}, logFolder / "xvfb.log"});
        // Another server may have taken the number meanwhile: then this one exits and the next
        // number is tried.
        const bool ready = waitFor(
            [&] { return server->hasExited() || runTool({"xwininfo", "-root", "-display", display}, 2s).has_value(); },
            10s);
        if (ready && !server->hasExited()) {
            display_ = display;
            server_ = std::move(server);
        }
    }
    if (!server_) throw std::runtime_error("no Xvfb could be started");
    setenv("DISPLAY", display_.c_str(), 1);

    tray_ = std::make_unique<Spawned>(
        std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                                 "28", "--SetDockType", "true", "--transparent", "false"},
        Spawned::Options{{}, {}, logFolder / "trayer.log"});
    if (!waitFor([&] { return trayPanel().has_value(); }, 10s)) throw std::runtime_error("trayer did not start");
}

DesktopSession::~DesktopSession() {
    tray_.reset();
    server_.reset();
    if (previousDisplay_) setenv("DISPLAY", previousDisplay_->c_str(), 1);
    else unsetenv("DISPLAY");
}

namespace {

std::string regexQuoted(const std::string& text) {
    std::string quoted = "^";
    for (char c : text) {
        if (std::strchr(".^$|()[]{}*+?\\", c)) quoted += '\\';
        quoted += c;
    }
    return quoted + "$";
}

std::vector<WindowInfo> windowsFound(const std::vector<std::string>& query) {
    std::vector<WindowInfo> result;
    std::vector<std::string> argv{"xdotool", "search", "--onlyvisible"};
    argv.insert(argv.end(), query.begin(), query.end());
    // xdotool search exits with 1 when nothing matches.
    const auto ids = runTool(argv);
    if (!ids) return result;
    std::istringstream lines(*ids);
    for (std::string id; std::getline(lines, id);) {
        if (id.empty()) continue;
        // "Window 4194310\n  Position: 1257,1 (screen: 0)\n  Geometry: 22x26\n"
        const auto description = runTool({"xdotool", "getwindowgeometry", id});
        if (!description) continue;
        const auto position = description->find("Position:");
        const auto geometry = description->find("Geometry:");
        if (position == std::string::npos || geometry == std::string::npos) continue;
        WindowInfo window{id};
        if (std::sscanf(description->c_str() + position, "Position: %d,%d", &window.x, &window.y) != 2 ||
            std::sscanf(description->c_str() + geometry, "Geometry: %dx%d", &window.width, &window.height) != 2)
            continue;
        result.push_back(window);
    }
    return result;
}

}  // namespace

std::vector<WindowInfo> DesktopSession::windowsNamed(const std::string& name) const {
    return windowsFound({"--name", regexQuoted(name)});
}

std::vector<WindowInfo> DesktopSession::windowsOfInstance(const std::string& instance) const {
    return windowsFound({"--classname", regexQuoted(instance)});
}

std::optional<WindowInfo> DesktopSession::trayPanel() const {
    const auto panels = windowsFound({"--classname", "^panel$"});
    if (panels.empty()) return std::nullopt;
    return panels.front();
}

bool DesktopSession::xdotool(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runTool(argv).has_value();
}

// Without --sync: it waits for the pointer to move, forever when it is already there.
void DesktopSession::moveMouse(int x, int y) const { xdotool({"mousemove", std::to_string(x), std::to_string(y)}); }

void DesktopSession::click(int x, int y) const {
    xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

bool DesktopSession::screenshot(const std::filesystem::path& path) const {
    return runTool({"import", "-window", "root", path.string()}, 20s).has_value();
}

}  // namespace app_test
