// Whether the application can open a display, and the one line it says when it cannot.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "App/Shell/DisplayCheck.h"

namespace {

class DisplayCheckTest : public ::testing::Test {
protected:
    DisplayCheck::Probe probe() {
        return {
            [this](const char* name) -> std::optional<std::string> {
                const auto found = environment.find(name);
                return found == environment.end() ? std::nullopt : std::optional<std::string>(found->second);
            },
            [this](const std::string& display) {
                triedDisplays.insert(display);
                return reachableDisplays.contains(display);
            },
            [this](const std::string& path) { return sockets.contains(path); },
        };
    }
    std::optional<std::string> problem() { return DisplayCheck::problem(probe()); }

    std::map<std::string, std::string> environment;
    std::set<std::string> reachableDisplays;
    std::set<std::string> triedDisplays;
    std::set<std::string> sockets;
};

void expectOneHelpfulLine(const std::optional<std::string>& message) {
    ASSERT_TRUE(message);
    EXPECT_EQ(message->rfind("Vellumark: ", 0), 0u) << *message;
    EXPECT_EQ(message->find('\n'), std::string::npos) << *message;
    EXPECT_NE(message->find("QT_QPA_PLATFORM=offscreen"), std::string::npos) << *message;
    EXPECT_NE(message->find("xvfb-run"), std::string::npos) << *message;
}

TEST_F(DisplayCheckTest, NoDisplayAtAll) {
    const auto message = problem();
    expectOneHelpfulLine(message);
    EXPECT_NE(message->find("DISPLAY is not set"), std::string::npos);
}

TEST_F(DisplayCheckTest, ADisplayThatCannotBeOpenedIsNamed) {
    environment["DISPLAY"] = ":93";
    const auto message = problem();
    expectOneHelpfulLine(message);
    EXPECT_NE(message->find("cannot open display \":93\""), std::string::npos) << *message;
    EXPECT_TRUE(triedDisplays.contains(":93"));
}

TEST_F(DisplayCheckTest, AReachableX11Display) {
    environment["DISPLAY"] = ":0";
    reachableDisplays.insert(":0");
    EXPECT_EQ(problem(), std::nullopt);
}

TEST_F(DisplayCheckTest, PlatformsWithoutADisplayAreLeftToQt) {
    for (const char* platform : {"offscreen", "minimal", "vnc:size=800x600", "linuxfb", " offscreen "}) {
        environment["QT_QPA_PLATFORM"] = platform;
        EXPECT_EQ(problem(), std::nullopt) << platform;
    }
    EXPECT_TRUE(triedDisplays.empty());
}

TEST_F(DisplayCheckTest, AnExplicitPlatformListNeedsOneThatWorks) {
    environment["QT_QPA_PLATFORM"] = "wayland;xcb";
    environment["DISPLAY"] = ":1";
    environment["XDG_RUNTIME_DIR"] = "/run/user/1000";
    expectOneHelpfulLine(problem());
    // The first platform's reason is the one reported.
    EXPECT_NE(problem()->find("no Wayland display at /run/user/1000/wayland-0"), std::string::npos) << *problem();

    reachableDisplays.insert(":1");
    EXPECT_EQ(problem(), std::nullopt);
}

TEST_F(DisplayCheckTest, WaylandSocketNamedOrAbsolute) {
    environment["QT_QPA_PLATFORM"] = "wayland";
    environment["XDG_RUNTIME_DIR"] = "/run/user/1000";
    environment["WAYLAND_DISPLAY"] = "wayland-1";
    sockets.insert("/run/user/1000/wayland-1");
    EXPECT_EQ(problem(), std::nullopt);

    environment["WAYLAND_DISPLAY"] = "/tmp/compositor.sock";
    expectOneHelpfulLine(problem());
    sockets.insert("/tmp/compositor.sock");
    EXPECT_EQ(problem(), std::nullopt);

    environment.erase("XDG_RUNTIME_DIR");
    environment["WAYLAND_DISPLAY"] = "wayland-1";
    EXPECT_NE(problem()->find("XDG_RUNTIME_DIR is not set"), std::string::npos);
}

}  // namespace
