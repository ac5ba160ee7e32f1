// The real program, as a user runs it: in a desktop of the test's own with a real tray host, with
// a real development server in the home folder; and with no display at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "Shared/Store/DataStore.h"
#include "app/support/DesktopSession.h"
#include "support/TempHome.h"

namespace {

using namespace std::chrono_literals;
using app_test::DesktopSession;
using testing_support::ChildProcess;
using testing_support::waitUntil;

const std::string program = VELLUMARK_BUILD_DIR "/App/vellumark";

std::string fileText(const std::filesystem::path& path) {
    return (std::ostringstream() << std::ifstream(path).rdbuf()).str();
}

// The snapshot the application wrote holds the server in `folder`, listening on `port`.
bool inSnapshot(const std::filesystem::path& folder, int port) {
    for (const DevProject& project : DataStore::read().value_or(ProcessSnapshot{}).projects) {
        for (const DevServer& found : project.servers) {
            if (project.path == folder.string() && std::ranges::count(found.ports, port)) return true;
        }
    }
    return false;
}

TEST(ApplicationEndToEnd, TrayIconSnapshotToolTipAndPopover) {
    testing_support::TempHome home;
    // A development server: Python's static file server in HOME/Development/demo.
    const auto folder = home.home() / "Development/demo";
    std::filesystem::create_directories(folder);
    const int port = testing_support::freePort();
    auto serverOptions = app_test::logTo(home.home() / "http.log");
    serverOptions.cwd = folder;
    ChildProcess server({"python3", "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"}, serverOptions);
    ASSERT_TRUE(waitUntil([&] { return testing_support::acceptsConnections(port); }));
    DesktopSession desktop(home.home());

    ChildProcess app({program}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));

    // The first scan runs at launch: the snapshot holds the server well within 10 seconds.
    EXPECT_TRUE(waitUntil([&] { return inSnapshot(folder, port); }, 10s)) << fileText(home.home() / "app.log");
    const auto snapshot = DataStore::read();
    ASSERT_TRUE(snapshot);
    ASSERT_EQ(snapshot->projects.size(), 1u);
    EXPECT_EQ(snapshot->projects[0].name, "demo");

    // The icon sits in the tray, named by what it says: one server running.
    const std::string label = "Vellumark · 1 server running";
    ASSERT_TRUE(waitUntil([&] { return desktop.windows("--name", label).size() == 1; }, 10s))
        << fileText(home.home() / "app.log");
    const app_test::WindowInfo icon = desktop.windows("--name", label).front();
    const auto panels = desktop.windows("--classname", "panel");  // trayer's
    ASSERT_EQ(panels.size(), 1u);
    const int iconX = icon.x + icon.width / 2, iconY = icon.y + icon.height / 2;
    EXPECT_TRUE(panels[0].contains(iconX, iconY));

    // Resting the pointer on the icon brings up its tool tip under it.
    const auto restOnIcon = [&] {
        desktop.xdotool({"mousemove", std::to_string(iconX - 2), std::to_string(iconY - 2)});
        desktop.xdotool({"mousemove", std::to_string(iconX), std::to_string(iconY)});
    };
    const auto toolTipShown = [&] {
        const auto popovers = desktop.windows("--name", "Vellumark");
        return std::ranges::any_of(desktop.windows("--classname", "vellumark"), [&](const app_test::WindowInfo& window) {
            return window.id != icon.id && window.y >= iconY &&
                   std::ranges::none_of(popovers, [&](const app_test::WindowInfo& popover) { return popover.id == window.id; });
        });
    };
    restOnIcon();
    EXPECT_TRUE(waitUntil(toolTipShown, 10s));

    // A click opens the popover under the icon: the panel's width, inside the screen.
    desktop.click(iconX, iconY);
    std::vector<app_test::WindowInfo> popovers;
    ASSERT_TRUE(waitUntil([&] { return !(popovers = desktop.windows("--name", "Vellumark")).empty(); }, 10s))
        << fileText(home.home() / "app.log");
    ASSERT_EQ(popovers.size(), 1u);
    EXPECT_EQ(popovers[0].width, 440);
    EXPECT_GE(popovers[0].y, icon.y + icon.height);
    EXPECT_LE(popovers[0].x + popovers[0].width, DesktopSession::screenWidth);
    EXPECT_LE(popovers[0].x, iconX);

    // A second click on the icon closes it, and it stays closed: the click did not open it again.
    // The tool tip that resting on the icon brings up afterwards proves the application has dealt
    // with everything the click caused (X delivers its events in order), and it never shows over
    // an open popover.
    desktop.click(iconX, iconY);
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").empty(); }, 10s));
    ASSERT_TRUE(waitUntil([&] { return !toolTipShown(); }, 10s)) << "the click hid the tool tip";
    restOnIcon();
    ASSERT_TRUE(waitUntil(toolTipShown, 10s));
    EXPECT_TRUE(desktop.windows("--name", "Vellumark").empty());

    // Opens again on the next click, and Escape closes it.
    desktop.click(iconX, iconY);
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").size() == 1; }, 10s));
    desktop.xdotool({"key", "Escape"});
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").empty(); }, 10s));

    EXPECT_FALSE(app.hasExited()) << fileText(home.home() / "app.log");
}

TEST(ApplicationEndToEnd, WithoutADisplayItSaysSoInOneLine) {
    testing_support::TempHome home;
    ChildProcess app({program}, app_test::logTo(home.home() / "app.log", {{"DISPLAY", std::nullopt},
                                                                        {"WAYLAND_DISPLAY", std::nullopt},
                                                                        {"QT_QPA_PLATFORM", std::nullopt},
                                                                        {"XDG_SESSION_TYPE", std::nullopt}}));
    ASSERT_TRUE(app.waitForExit(10s));
    EXPECT_EQ(app.exitCode(), 1);
    const std::string output = fileText(home.home() / "app.log");
    EXPECT_TRUE(output.starts_with("Vellumark: no display to open (DISPLAY is not set)")) << output;
    EXPECT_EQ(std::ranges::count(output, '\n'), 1) << output;
}

}  // namespace
