// The real program with the tray most Linux desktops have: a StatusNotifier host on the session bus
// (KDE; GNOME with its AppIndicator extension), played by a stand-in in Python, on a bus and a
// desktop of the test's own. There the host draws the icon and passes clicks on as Activate(x, y);
// where the icon sits is the host's secret, so the panel opens at the pointer.

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/support/DesktopSession.h"
#include "app/support/SessionBus.h"
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

// What the stand-in host has reported so far, one JSON object per line.
std::vector<nlohmann::json> hostReport(const std::filesystem::path& path) {
    std::vector<nlohmann::json> entries;
    std::ifstream report(path);
    for (std::string line; std::getline(report, line) && !report.eof();) entries.push_back(nlohmann::json::parse(line));
    return entries;
}

// The first entry the host reported for this event (an empty object when there is none).
nlohmann::json firstEntry(const std::vector<nlohmann::json>& entries, const std::string& event) {
    const auto found = std::ranges::find_if(entries, [&](const nlohmann::json& entry) {
        return entry.value("event", std::string()) == event;
    });
    return found == entries.end() ? nlohmann::json::object() : *found;
}

bool reportsToolTip(const std::vector<nlohmann::json>& entries, const std::string& toolTip) {
    return std::ranges::any_of(entries, [&](const nlohmann::json& entry) {
        return entry.value("toolTip", std::string()) == toolTip;
    });
}

TEST(StatusNotifierEndToEnd, TheItemShowsIconAndToolTipAndActivateOpensThePanelAtThePointer) {
    testing_support::TempHome home;
    const auto folder = home.home() / "Development/demo";
    std::filesystem::create_directories(folder);
    const int port = testing_support::freePort();
    auto serverOptions = app_test::logTo(home.home() / "http.log");
    serverOptions.cwd = folder;
    ChildProcess server({"python3", "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"}, serverOptions);
    ASSERT_TRUE(waitUntil([&] { return testing_support::acceptsConnections(port); }));

    app_test::SessionBus bus(home.home());
    DesktopSession desktop(home.home(), DesktopSession::Tray::none);
    // Where the user clicks the icon in the host's panel; the host passes the point on.
    const int clickX = 640, clickY = 400;
    const auto report = home.home() / "host.jsonl";
    const std::map<std::string, std::optional<std::string>> onBus{{"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
    ChildProcess host({"/usr/bin/python3", STATUS_NOTIFIER_HOST, report.string(), std::to_string(clickX),
                       std::to_string(clickY)},
                      app_test::logTo(home.home() / "host.log", onBus));
    const auto entries = [&] { return hostReport(report); };
    ASSERT_TRUE(waitUntil([&] { return !firstEntry(entries(), "Ready").empty(); }, 10s))
        << fileText(home.home() / "host.log");

    auto appEnvironment = onBus;
    appEnvironment["QT_QPA_PLATFORM"] = "xcb";
    ChildProcess app({program}, app_test::logTo(home.home() / "app.log", appEnvironment));
    const auto appLog = [&] { return fileText(home.home() / "app.log") + fileText(home.home() / "host.log"); };

    // The item registers with the watcher, active, with a drawn icon in more than one size, and its
    // tool tip follows the scans: the server in the home folder shows in it.
    ASSERT_TRUE(waitUntil([&] { return !firstEntry(entries(), "Registered").empty(); }, 10s)) << appLog();
    const nlohmann::json registered = firstEntry(entries(), "Registered");
    EXPECT_EQ(registered.value("status", ""), "Active") << registered;
    EXPECT_TRUE(registered.value("toolTip", "").starts_with("Vellumark · ")) << registered;
    const nlohmann::json icon = registered.value("icon", nlohmann::json::array());
    ASSERT_GE(icon.size(), 1u) << registered;
    for (const nlohmann::json& pixmap : icon) {
        const int width = pixmap.value("width", 0), height = pixmap.value("height", 0);
        EXPECT_GT(width, 0) << pixmap;
        EXPECT_EQ(pixmap.value("bytes", 0), width * height * 4) << pixmap;
        EXPECT_TRUE(pixmap.value("drawn", false)) << pixmap;
    }
    EXPECT_TRUE(waitUntil([&] { return reportsToolTip(entries(), "Vellumark · 1 server running"); }, 15s)) << appLog();
    EXPECT_TRUE(desktop.windows("--name", "Vellumark · 1 server running").empty()) << "an XEmbed icon as well";

    // A click on the icon: the host moves nothing, the pointer is where the user clicked, and the
    // panel opens under that point, inside the screen.
    desktop.xdotool({"mousemove", std::to_string(clickX), std::to_string(clickY)});
    ASSERT_EQ(::kill(host.pid(), SIGUSR1), 0);
    std::vector<app_test::WindowInfo> panels;
    ASSERT_TRUE(waitUntil([&] { return !(panels = desktop.windows("--name", "Vellumark")).empty(); }, 10s)) << appLog();
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_TRUE(waitUntil([&] { return !firstEntry(entries(), "Activated").empty(); }, 10s));
    EXPECT_FALSE(firstEntry(entries(), "Activated").contains("error")) << firstEntry(entries(), "Activated");
    EXPECT_EQ(panels[0].width, 440);
    EXPECT_GT(panels[0].y, clickY);
    EXPECT_LE(panels[0].y, clickY + 10);
    EXPECT_LT(panels[0].x, clickX);
    EXPECT_GT(panels[0].x + panels[0].width, clickX);
    EXPECT_LE(panels[0].x + panels[0].width, DesktopSession::screenWidth);

    // A second click on the icon closes it again, and Escape closes it after a third.
    ASSERT_EQ(::kill(host.pid(), SIGUSR1), 0);
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").empty(); }, 10s)) << appLog();
    ASSERT_EQ(::kill(host.pid(), SIGUSR1), 0);
    ASSERT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").size() == 1; }, 10s)) << appLog();
    desktop.xdotool({"key", "Escape"});
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").empty(); }, 10s));

    EXPECT_FALSE(app.hasExited()) << appLog();
}

}  // namespace
