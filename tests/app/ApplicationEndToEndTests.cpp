// The real program, as a user runs it: in a desktop of the test's own with a real tray host, with
// a real development server in the home folder; and with no display at all.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "Shared/Store/DataStore.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "app/support/DesktopSession.h"
#include "support/TempHome.h"

namespace {

using namespace std::chrono_literals;
using app_test::DesktopSession;
using app_test::Spawned;
using app_test::waitFor;

const std::string program = VELLUMARK_BUILD_DIR "/App/vellumark";

// A port nothing listens on, below the ephemeral range (49152 and up), whose listeners the scan
// leaves out as clients' ports.
int freeLocalPort() {
    std::random_device random;
    const int start = 20000 + static_cast<int>(random() % 20000);
    for (int port = start; port < 45000; ++port) {
        const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool free = bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(socket);
        if (free) return port;
    }
    return 0;
}

bool acceptsConnections(int port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(socket);
    return connected;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A development server: Python's static file server in HOME/Development/demo.
class DemoServer {
public:
    explicit DemoServer(const testing_support::TempHome& home)
        : folder_(home.home() / "Development/demo"), port_((std::filesystem::create_directories(folder_), freeLocalPort())),
          process_({"python3", "-m", "http.server", std::to_string(port_), "--bind", "127.0.0.1"},
                   Spawned::Options{folder_, {}, home.home() / "http.log"}) {}

    bool waitUntilListening() { return waitFor([&] { return acceptsConnections(port_); }, 20s); }
    int port() const { return port_; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    int port_;
    Spawned process_;
};

// The snapshot the application wrote holds the demo server, listening on its port.
bool snapshotHolds(const DemoServer& server) {
    const auto snapshot = DataStore::read();
    if (!snapshot) return false;
    for (const DevProject& project : snapshot->projects) {
        if (project.path != server.folder().string()) continue;
        for (const DevServer& found : project.servers) {
            if (std::find(found.ports.begin(), found.ports.end(), server.port()) != found.ports.end()) return true;
        }
    }
    return false;
}

TEST(ApplicationEndToEnd, TrayIconSnapshotToolTipAndPopover) {
    testing_support::TempHome home;
    DemoServer server(home);
    ASSERT_TRUE(server.waitUntilListening());
    DesktopSession desktop(home.home());

    Spawned app({program}, Spawned::Options{{}, {{"QT_QPA_PLATFORM", "xcb"}}, home.home() / "app.log"});

    // The first scan runs at launch: the snapshot holds the server well within 10 seconds.
    EXPECT_TRUE(waitFor([&] { return snapshotHolds(server); }, 10s)) << fileText(home.home() / "app.log");
    const auto snapshot = DataStore::read();
    ASSERT_TRUE(snapshot);
    ASSERT_EQ(snapshot->projects.size(), 1u);
    EXPECT_EQ(snapshot->projects[0].name, "demo");

    // The icon sits in the tray, named by what it says: one server running.
    const std::string label = "Vellumark · 1 server running";
    ASSERT_TRUE(waitFor([&] { return desktop.windowsNamed(label).size() == 1; }, 10s))
        << fileText(home.home() / "app.log");
    const app_test::WindowInfo icon = desktop.windowsNamed(label).front();
    const auto panel = desktop.trayPanel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->contains(icon.x + icon.width / 2, icon.y + icon.height / 2));
    const int iconX = icon.x + icon.width / 2;
    const int iconY = icon.y + icon.height / 2;

    // Resting the pointer on the icon brings up its tool tip under it.
    const auto before = desktop.windowsOfInstance("vellumark");
    desktop.moveMouse(iconX - 2, iconY - 2);
    desktop.moveMouse(iconX, iconY);
    std::optional<app_test::WindowInfo> toolTip;
    EXPECT_TRUE(waitFor(
        [&] {
            for (const auto& window : desktop.windowsOfInstance("vellumark")) {
                if (window.id != icon.id && window.y >= icon.y + icon.height / 2) toolTip = window;
            }
            return toolTip.has_value();
        },
        10s));
    desktop.screenshot("/tmp/vellumark-e2e-tooltip.png");

    // A click opens the popover under the icon: the panel's width, inside the screen.
    desktop.click(iconX, iconY);
    std::vector<app_test::WindowInfo> popovers;
    ASSERT_TRUE(waitFor(
        [&] {
            popovers = desktop.windowsNamed("Vellumark");
            return !popovers.empty();
        },
        10s))
        << fileText(home.home() / "app.log");
    ASSERT_EQ(popovers.size(), 1u);
    EXPECT_EQ(popovers[0].width, 440);
    EXPECT_GE(popovers[0].y, icon.y + icon.height);
    EXPECT_LE(popovers[0].x + popovers[0].width, DesktopSession::screenWidth);
    EXPECT_LE(popovers[0].x, iconX);
    desktop.screenshot("/tmp/vellumark-e2e-popover.png");

    // A second click on the icon closes it.
    desktop.click(iconX, iconY);
    EXPECT_TRUE(waitFor([&] { return desktop.windowsNamed("Vellumark").empty(); }, 10s));
    // And it stays closed: the click did not open it again.
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(desktop.windowsNamed("Vellumark").empty());

    // Opens again on the next click, and Escape closes it.
    desktop.click(iconX, iconY);
    EXPECT_TRUE(waitFor([&] { return desktop.windowsNamed("Vellumark").size() == 1; }, 10s));
    desktop.xdotool({"key", "Escape"});
    EXPECT_TRUE(waitFor([&] { return desktop.windowsNamed("Vellumark").empty(); }, 10s));

    EXPECT_FALSE(app.hasExited()) << fileText(home.home() / "app.log");
}

TEST(ApplicationEndToEnd, WithoutATrayItStillScansAndExecutesWidgetCommands) {
    testing_support::TempHome home;
    DemoServer server(home);
    ASSERT_TRUE(server.waitUntilListening());
    Spawned app({program}, Spawned::Options{{}, {{"QT_QPA_PLATFORM", "offscreen"}}, home.home() / "app.log"});
    ASSERT_TRUE(waitFor([&] { return snapshotHolds(server); }, 10s)) << fileText(home.home() / "app.log");

    // The widget asks to stop a process; the application, listening without any window, does.
    Spawned sleeper({"sleep", "60"}, Spawned::Options{});
    WidgetCommandQueue::enqueue(WidgetCommand::kill({sleeper.pid()}, {sleeper.pid()}));
    EXPECT_TRUE(waitFor([&] { return sleeper.hasExited(); }, 10s)) << fileText(home.home() / "app.log");
    EXPECT_FALSE(app.hasExited()) << fileText(home.home() / "app.log");
}

TEST(ApplicationEndToEnd, WithoutADisplayItSaysSoInOneLine) {
    testing_support::TempHome home;
    Spawned app({program}, Spawned::Options{{},
                                            {{"DISPLAY", std::nullopt},
                                             {"WAYLAND_DISPLAY", std::nullopt},
                                             {"QT_QPA_PLATFORM", std::nullopt},
                                             {"XDG_SESSION_TYPE", std::nullopt}},
                                            home.home() / "app.log"});
    EXPECT_EQ(app.waitForExit(10s), 1);
    const std::string output = fileText(home.home() / "app.log");
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find("Vellumark: no display to open (DISPLAY is not set)"), std::string::npos) << output;
    EXPECT_NE(output.find("QT_QPA_PLATFORM=offscreen"), std::string::npos) << output;
    EXPECT_NE(output.find("xvfb-run"), std::string::npos) << output;
}

TEST(ApplicationEndToEnd, WithAnUnreachableDisplayItSaysWhich) {
    testing_support::TempHome home;
    Spawned app({program}, Spawned::Options{{},
                                            {{"DISPLAY", ":1999"},
                                             {"WAYLAND_DISPLAY", std::nullopt},
                                             {"QT_QPA_PLATFORM", "xcb"}},
                                            home.home() / "app.log"});
    EXPECT_EQ(app.waitForExit(10s), 1);
    const std::string output = fileText(home.home() / "app.log");
    EXPECT_EQ(output.rfind("Vellumark: cannot open display \":1999\"", 0), 0u) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

}  // namespace
