// Whether the application can open a display, and the one line it says when it cannot.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "Platform/x11/DisplayCheck.h"

namespace {

TEST(DisplayCheck, SaysInOneHelpfulLineWhatIsMissing) {
    struct Case {
        std::map<std::string, std::string> environment;
        std::set<std::string> reachable;  // X11 displays and Wayland sockets that are there
        const char* problem;              // a part of the line; none when the platform can start
    };
    const Case cases[] = {
        {{}, {}, "DISPLAY is not set"},
        {{{"DISPLAY", ":93"}}, {}, "cannot open display \":93\""},
        {{{"DISPLAY", ":0"}}, {":0"}, nullptr},
        {{{"QT_QPA_PLATFORM", " minimal "}}, {}, nullptr},
        // A list needs one platform that works; the first one's reason is reported.
        {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}, {"XDG_RUNTIME_DIR", "/run/user/1000"}},
         {},
         "no Wayland display at /run/user/1000/wayland-0"},
        {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}}, {":1"}, nullptr},
        {{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "/tmp/c.sock"}}, {}, "/tmp/c.sock"},
        {{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "wayland-1"}},
         {"/r/wayland-1"},
         "XDG_RUNTIME_DIR is not set"},
    };
    for (const Case& c : cases) {
        const DisplayCheck::Probe probe{
            [&](const char* name) -> std::optional<std::string> {
                const auto found = c.environment.find(name);
                return found == c.environment.end() ? std::nullopt : std::optional(found->second);
            },
            [&](const std::string& display) { return c.reachable.contains(display); },
            [&](const std::string& path) { return c.reachable.contains(path); },
        };
        const auto line = DisplayCheck::problem(probe);
        const std::string context = testing::PrintToString(c.environment);
        if (!c.problem) {
            EXPECT_EQ(line, std::nullopt) << context;
            continue;
        }
        ASSERT_TRUE(line) << context;
        EXPECT_TRUE(line->starts_with("Vellumark: ") && line->find('\n') == std::string::npos) << *line;
        for (const char* part : {c.problem, "QT_QPA_PLATFORM=offscreen", "xvfb-run"}) {
            EXPECT_NE(line->find(part), std::string::npos) << *line;
        }
    }
}

}  // namespace
