// The widget program beside the real application, on a desktop of the test's own, as a user meets
// them: the widget shows the project of a real server, its stop button ends the server through the
// application, and an open pressed while the application is not running waits in the queue until
// it starts. Buttons are found on the window's own picture by their colours and clicked with
// xdotool; texts are read back with tesseract.

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "Platform/NotifyCenter.h"
#include "Platform/UserDefaults.h"
#include "Shared/Store/DataStore.h"
#include "support/DesktopSession.h"
#include "support/DevelopmentServer.h"
#include "support/Screenshots.h"
#include "support/TempHome.h"
#include "widget/Pictures.h"
#include "widget/WidgetSamples.h"

namespace {

using namespace std::chrono_literals;
using app_test::DesktopSession;
using app_test::fileText;
using app_test::run;
using app_test::WindowInfo;
using testing_support::ChildProcess;
using testing_support::waitUntil;
namespace fs = std::filesystem;

const std::string application = VELLUMARK_BUILD_DIR "/App/vellumark";
const std::string widget = VELLUMARK_BUILD_DIR "/Widget/vellumark-widget";

// The window's picture, as the X server shows it.
QImage picture(const WindowInfo& window, const fs::path& file) {
    run({"import", "-window", window.id, file.string()});
    return QImage(QString::fromStdString(file.string()));
}

std::string textOn(const WindowInfo& window, const fs::path& folder) {
    return app_test::textOnWindow(window.id, folder);
}

std::optional<WindowInfo> widgetWindow(const DesktopSession& desktop) {
    const auto found = desktop.windows("--classname", "vellumark-widget");
    return found.size() == 1 ? std::optional(found.front()) : std::nullopt;
}

void click(const DesktopSession& desktop, const WindowInfo& window, QPoint at) {
    desktop.click(window.x + at.x(), window.y + at.y());
}

const QColor lightRed(0xE5484D), lightPort(0x2F2FE4);

// Where the first port label is on the widget, once it shows one (the label is part of its
// project's main button).
std::optional<QPoint> portLabelOn(const WindowInfo& window, const fs::path& folder) {
    std::optional<QPoint> label;
    waitUntil(
        [&] {
            return (label = widget_test::centreOf(picture(window, folder / "widget.png"), lightPort, 60)).has_value();
        },
        10s);
    return label;
}

TEST(WidgetEndToEnd, TheWidgetShowsARealServerAndItsStopButtonEndsItThroughTheApplication) {
    testing_support::TempHome home;
    const app_test::DevelopmentServer developmentServer(home.home(), "demo");
    ChildProcess& server = *developmentServer.process;
    DesktopSession desktop(home.home());
    ChildProcess app({application}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    ChildProcess shown({widget, "--family", "medium"},
                       app_test::logTo(home.home() / "widget.log", {{"QT_QPA_PLATFORM", "xcb"}}));

    std::optional<WindowInfo> window;
    ASSERT_TRUE(waitUntil([&] { return (window = widgetWindow(desktop)).has_value(); }, 10s))
        << fileText(home.home() / "widget.log");
    // The application's first scan reaches the widget through the reload request.
    std::string text;
    EXPECT_TRUE(waitUntil([&] { return (text = textOn(*window, home.home())).find("demo") != std::string::npos; }, 30s))
        << text << fileText(home.home() / "app.log");
    EXPECT_NE(text.find("1 server"), std::string::npos) << text;

    // The red x is the only red on the widget while no port is claimed twice.
    const auto stop = widget_test::centreOf(picture(*window, home.home() / "widget.png"), lightRed, 60);
    ASSERT_TRUE(stop);
    click(desktop, *window, *stop);
    EXPECT_TRUE(server.waitForExit(15s)) << fileText(home.home() / "app.log");
    EXPECT_TRUE(waitUntil([&] { return server.members().empty(); }, 10s));
    // The application's next scan finds nothing, and the widget says so.
    EXPECT_TRUE(
        waitUntil([&] { return textOn(*window, home.home()).find("Nothing running") != std::string::npos; }, 30s))
        << textOn(*window, home.home());
    EXPECT_FALSE(app.hasExited()) << fileText(home.home() / "app.log");
    EXPECT_FALSE(shown.hasExited()) << fileText(home.home() / "widget.log");
}

TEST(WidgetEndToEnd, AnOpenPressedWhileTheApplicationIsNotRunningWaitsForItsStart) {
    testing_support::TempHome home;
    const int port = testing_support::freePort();
    DataStore::write(
        {std::chrono::system_clock::now(), {widget_test::project("shop", {widget_test::server(4242, {port})})}});
    // The browser: a stand-in for xdg-open that writes down what it was asked to open.
    const fs::path bin = home.home() / "bin", opened = home.home() / "opened.txt";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << opened.string() << ".part'\nmv '"
                                    << opened.string() << ".part' '" << opened.string() << "'\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    // The widget finds it as the application does: were the widget to open the address itself, the
    // stand-in would say so.
    const std::map<std::string, std::optional<std::string>> environment{
        {"QT_QPA_PLATFORM", "xcb"}, {"PATH", bin.string() + ":" + std::getenv("PATH")}};
    DesktopSession desktop(home.home());
    ChildProcess shown({widget, "--family=small"}, app_test::logTo(home.home() / "widget.log", environment));
    std::optional<WindowInfo> window;
    ASSERT_TRUE(waitUntil([&] { return (window = widgetWindow(desktop)).has_value(); }, 10s))
        << fileText(home.home() / "widget.log");
    EXPECT_EQ(window->width, 170);

    const std::optional<QPoint> portLabel = portLabelOn(*window, home.home());
    ASSERT_TRUE(portLabel);
    click(desktop, *window, *portLabel);
    const std::string command = R"([{"openLocalhost":{"port":)" + std::to_string(port) + "}}]";
    ASSERT_TRUE(waitUntil([&] { return widget_test::queued() == command; }, 10s)) << widget_test::queued();
    // The widget started nothing: it has no child process.
    const std::string children =
        fileText("/proc/" + std::to_string(shown.pid()) + "/task/" + std::to_string(shown.pid()) + "/children");
    EXPECT_EQ(children.find_first_not_of(' '), std::string::npos) << children;
    EXPECT_FALSE(fs::exists(opened));

    ChildProcess app({application}, app_test::logTo(home.home() / "app.log", environment));
    EXPECT_TRUE(waitUntil([&] { return fs::exists(opened); }, 15s)) << fileText(home.home() / "app.log");
    EXPECT_EQ(fileText(opened), "http://localhost:" + std::to_string(port) + "\n");
    EXPECT_FALSE(fs::exists(widget_test::queueFile()));
}

// The widget started after a killed run: what that run left (a temporary queue file no writer
// holds) goes at start. Under a file-size limit its press queues a command that cannot be written:
// SIGXFSZ does not end it, the failed write leaves no temporary file, and the notification that
// follows every press still goes out.
TEST(WidgetEndToEnd, AtStartTheWidgetClearsWhatAKilledRunLeftAndAPressOutlivesTheFileSizeLimit) {
    testing_support::TempHome home;
    DataStore::write(
        {std::chrono::system_clock::now(), {widget_test::project("shop", {widget_test::server(4242, {3000})})}});
    const fs::path container = *AppGroup::containerURL(), leftover = container / "widget-commands.json.k1LLed";
    std::ofstream(leftover) << "[";
    fs::last_write_time(leftover, fs::last_write_time(leftover) - 1h);
    std::atomic<int> posted = 0;
    const auto observation =
        Platform::NotifyCenter::observe(std::string(WidgetCommandQueue::notificationName), [&] { ++posted; });

    DesktopSession desktop(home.home());
    // Its output goes through a pipe to a log the limit does not cut short.
    ChildProcess shown({"/bin/sh", "-c", "/usr/bin/prlimit --fsize=16 -- \"$0\" --family=small 2>&1 | cat", widget},
                       app_test::logTo(home.home() / "widget.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    std::optional<WindowInfo> window;
    ASSERT_TRUE(waitUntil([&] { return (window = widgetWindow(desktop)).has_value(); }, 10s))
        << fileText(home.home() / "widget.log");
    EXPECT_FALSE(fs::exists(leftover));

    const std::optional<QPoint> portLabel = portLabelOn(*window, home.home());
    ASSERT_TRUE(portLabel);
    click(desktop, *window, *portLabel);
    ASSERT_TRUE(waitUntil([&] { return posted > 0; }, 10s))
        << (shown.hasExited() ? "the widget ended; " : "") << fileText(home.home() / "widget.log");
    EXPECT_FALSE(shown.hasExited()) << fileText(home.home() / "widget.log");
    for (const auto& entry : fs::directory_iterator(container))
        EXPECT_TRUE(entry.path().filename() == DataStore::fileName || entry.path().extension() == ".lock")
            << entry.path().filename();
}

// Each widget runs in a process of its own: a second one of a family, and a third, open where they
// are seen, beside the first, which stands at the family's remembered place; each with the icon.
TEST(WidgetEndToEnd, AnotherWidgetOfTheSameFamilyOpensBesideTheFirst) {
    testing_support::TempHome home;
    Platform::UserDefaults::suite("io.kestrow.v3lk.widget")->set("mediumOrigin", std::string("200,150"));
    DesktopSession desktop(home.home());
    std::vector<std::unique_ptr<ChildProcess>> widgets;
    std::vector<WindowInfo> shown;
    for (int count = 1; count <= 3; ++count) {
        widgets.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{widget, "--family", "medium", "--preview"},
            app_test::logTo(home.home() / ("widget" + std::to_string(count) + ".log"), {{"QT_QPA_PLATFORM", "xcb"}})));
        ASSERT_TRUE(waitUntil(
            [&] { return (shown = desktop.windows("--classname", "vellumark-widget")).size() == std::size_t(count); },
            10s))
            << fileText(home.home() / ("widget" + std::to_string(count) + ".log"));
    }
    // Each window carries the application's icon, for the taskbars and switchers that list it.
    for (const WindowInfo& window : shown) {
        const std::string icon = run({"xprop", "-id", window.id, "_NET_WM_ICON"});
        EXPECT_NE(icon.find("Icon (16 x 16)"), std::string::npos) << icon.substr(0, 200);
        EXPECT_NE(icon.find("Icon (48 x 48)"), std::string::npos) << icon.substr(0, 200);
    }
    const auto place = [](const WindowInfo& window) { return QRect(window.x, window.y, window.width, window.height); };
    EXPECT_TRUE(
        std::ranges::any_of(shown, [&](const WindowInfo& window) { return window.x == 200 && window.y == 150; }));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(QRect(0, 0, DesktopSession::screenWidth, DesktopSession::screenHeight).contains(place(shown[i])));
        for (std::size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(place(shown[i]).intersects(place(shown[j])))
                << shown[i].x << "," << shown[i].y << " and " << shown[j].x << "," << shown[j].y;
    }
    const QRect all = place(shown[0]).united(place(shown[1])).united(place(shown[2]));
    EXPECT_FALSE(app_test::screenshot("widget-medium-three", all.x(), all.y(), all.width(), all.height()).empty());
}

}  // namespace
