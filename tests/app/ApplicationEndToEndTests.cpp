// The real program, as a user runs it: in a desktop of the test's own with a real tray host, with
// a real development server in the home folder; and with no display at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "app/support/DesktopSession.h"
#include "app/support/DevelopmentServer.h"
#include "app/support/Screenshots.h"
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
    const app_test::DevelopmentServer server(home.home(), "demo");
    const auto& folder = server.folder;
    const int port = server.port;
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
    desktop.xdotool({"mousemove", std::to_string(iconX - 2), std::to_string(iconY - 2)});
    desktop.xdotool({"mousemove", std::to_string(iconX), std::to_string(iconY)});
    EXPECT_TRUE(waitUntil(
        [&] {
            return std::ranges::any_of(desktop.windows("--classname", "vellumark"), [&](const app_test::WindowInfo& window) {
                return window.id != icon.id && window.y >= iconY;
            });
        },
        10s));

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
    desktop.click(iconX, iconY);
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").empty(); }, 10s));
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(desktop.windows("--name", "Vellumark").empty());

    // Opens again on the next click, and Escape closes it.
    desktop.click(iconX, iconY);
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").size() == 1; }, 10s));
    desktop.xdotool({"key", "Escape"});
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").empty(); }, 10s));

    EXPECT_FALSE(app.hasExited()) << fileText(home.home() / "app.log");
}

TEST(ApplicationEndToEnd, TheWelcomeWindowOnTheFirstLaunchOnly) {
    testing_support::TempHome home;
    DesktopSession desktop(home.home());
    const auto welcome = [&] { return desktop.windows("--name", "Welcome to Vellumark"); };
    {
        ChildProcess app({program}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
        ASSERT_TRUE(waitUntil([&] { return welcome().size() == 1; }, 10s)) << fileText(home.home() / "app.log");
        app_test::WindowInfo window = welcome().front();
        EXPECT_EQ(window.width, 480);
        EXPECT_EQ(window.height, 460);
        std::this_thread::sleep_for(300ms);  // painted
        EXPECT_FALSE(app_test::screenshot("welcome-1", window.x, window.y, window.width, window.height, home.home()).empty());

        // Return presses "Continue": the second page, then the end.
        desktop.xdotool({"mousemove", std::to_string(window.x + 20), std::to_string(window.y + 20)});
        desktop.xdotool({"key", "--window", window.id, "Return"});
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(app_test::screenshot("welcome-2", window.x, window.y, window.width, window.height, home.home()).empty());
        desktop.xdotool({"key", "--window", window.id, "Return"});
        EXPECT_TRUE(waitUntil([&] { return welcome().empty(); }, 10s));
        EXPECT_FALSE(app.hasExited());
    }
    // The second launch goes as far as the tray icon and the first scan without it.
    std::filesystem::remove(AppGroup::containerURL().value() / DataStore::fileName);
    ChildProcess again({program}, app_test::logTo(home.home() / "app2.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    ASSERT_TRUE(waitUntil([&] { return DataStore::read().has_value(); }, 10s)) << fileText(home.home() / "app2.log");
    ASSERT_TRUE(waitUntil([&] { return !desktop.windows("--name", "Vellumark · no servers running").empty(); }, 10s))
        << fileText(home.home() / "app2.log");
    EXPECT_TRUE(welcome().empty());
}

// Alt+Super+P (Option-Command-P) from anywhere: stored at the first launch, it opens the panel, and
// pressed again while the panel holds the keyboard, closes it.
TEST(ApplicationEndToEnd, TheDefaultHotKeyOpensAndClosesThePanel) {
    testing_support::TempHome home;
    DesktopSession desktop(home.home());
    ChildProcess app({program}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    const auto stored = [] { return Platform::UserDefaults::standard().string("GlobalShortcuts_togglePopover"); };
    // Stored once the grab is in place.
    ASSERT_TRUE(waitUntil([&] { return stored().has_value(); }, 10s)) << fileText(home.home() / "app.log");
    EXPECT_EQ(stored(), R"({"carbonKeyCode":35,"carbonModifiers":2304})");

    for (int round = 0; round < 2; ++round) {
        desktop.xdotool({"key", "super+alt+p"});
        ASSERT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").size() == 1; }, 10s))
            << fileText(home.home() / "app.log");
        desktop.xdotool({"key", "super+alt+p"});
        ASSERT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").empty(); }, 10s))
            << fileText(home.home() / "app.log");
    }
    const std::string log = fileText(home.home() / "app.log");
    EXPECT_EQ(log.find("Error registering hotkey"), std::string::npos) << log;
    EXPECT_FALSE(app.hasExited()) << log;
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
