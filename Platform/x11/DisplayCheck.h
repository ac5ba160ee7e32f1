#pragma once
// Before the toolkit starts: is there a display to open? Qt aborts with a cryptic message when its
// platform cannot connect; the application says in one line what is missing instead.
//
// QT_QPA_PLATFORM names the platforms to try (a ";"-separated list, options after ":"), and a
// "-platform NAME" (or "--platform NAME") argument does so in its place, as Qt lets it; with neither,
// Qt picks Wayland in a Wayland session and X11 otherwise. X11 counts when DISPLAY names a server that
// accepts a connection; Wayland when its socket ($WAYLAND_DISPLAY, default "wayland-0", under
// $XDG_RUNTIME_DIR unless absolute) exists. Every other platform (offscreen, minimal, vnc,
// framebuffers) needs no display and is left to Qt.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace DisplayCheck {

// How the check sees the machine; the real environment and an X11 connection attempt by default.
struct Probe {
    std::function<std::optional<std::string>(const char* name)> environment;
    std::function<bool(const std::string& display)> x11Reachable;
    std::function<bool(const std::string& path)> socketExists;
};
Probe systemProbe();

// The platform the command-line arguments (without the program name) ask Qt for: the value after
// the last "-platform" or "--platform", when it is there and not empty. Qt knows no
// "-platform=NAME" form, so neither does this.
std::optional<std::string> platformArgument(const std::vector<std::string>& arguments);

// One line for the user when no platform can start, else none. A platform argument (see above)
// takes the place of QT_QPA_PLATFORM.
std::optional<std::string> problem(const Probe& probe = systemProbe(),
                                   const std::optional<std::string>& platformArgument = std::nullopt);

}  // namespace DisplayCheck
