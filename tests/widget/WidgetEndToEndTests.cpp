// The widget program beside the real application, on a desktop of the test's own, as a user meets
// them: the widget shows the project of a real server, its stop button ends the server through the
// application, and an open pressed while the application is not running waits in the queue until
// it starts. Buttons are found on the window's own picture by their colours and clicked with
// xdotool; texts are read back with tesseract.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "Platform/AtomicFile.h"
#include "Platform/ProcessRunner.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "app/support/DesktopSession.h"
#include "app/support/DevelopmentServer.h"
#include "support/TempHome.h"
#include "widget/WidgetSamples.h"

namespace {

using namespace std::chrono_literals;
using app_test::DesktopSession;
using app_test::WindowInfo;
using testing_support::ChildProcess;
using testing_support::waitUntil;
namespace fs = std::filesystem;

const std::string application = VELLUMARK_BUILD_DIR "/App/vellumark";
const std::string widget = VELLUMARK_BUILD_DIR "/Widget/vellumark-widget";

std::string fileText(const fs::path& path) { return (std::ostringstream() << std::ifstream(path).rdbuf()).str(); }

std::string run(std::vector<std::string> arguments) {
    return Platform::runProcess({"/usr/bin/env", std::move(arguments), 30s}).output;
}

// The window's picture, as the X server shows it.
struct Picture {
    int width = 0, height = 0;
    std::string rgb;  // three bytes a pixel, row by row
    int distance(int x, int y, unsigned color) const {
        const auto* pixel = reinterpret_cast<const unsigned char*>(rgb.data()) + 3 * (y * width + x);
        return std::abs(pixel[0] - int(color >> 16)) + std::abs(pixel[1] - int((color >> 8) & 0xFF)) +
               std::abs(pixel[2] - int(color & 0xFF));
    }
    // The middle of the pixels of that colour, in the window's coordinates.
    std::optional<std::pair<int, int>> centreOf(unsigned color) const {
        int left = width, right = -1, top = height, bottom = -1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (distance(x, y, color) < 60) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        if (right < 0) return std::nullopt;
        return std::pair((left + right) / 2, (top + bottom) / 2);
    }
};

Picture picture(const WindowInfo& window, const fs::path& file) {
    run({"import", "-window", window.id, "-depth", "8", "ppm:" + file.string()});
    std::istringstream ppm(fileText(file));
    std::string magic;
    int maximum = 0;
    Picture result;
    ppm >> magic >> result.width >> result.height >> maximum;
    ppm.get();
    result.rgb.assign(std::istreambuf_iterator<char>(ppm), {});
    if (magic != "P6" || result.rgb.size() != std::size_t(3 * result.width * result.height)) return {};
    return result;
}

// What tesseract reads on the window, enlarged for it.
std::string textOn(const WindowInfo& window, const fs::path& folder) {
    const fs::path shot = folder / "ocr.png";
    run({"import", "-window", window.id, shot.string()});
    run({"convert", shot.string(), "-resize", "300%", "-colorspace", "Gray", shot.string()});
    return run({"tesseract", shot.string(), "stdout"});
}

std::optional<WindowInfo> widgetWindow(const DesktopSession& desktop) {
    const auto found = desktop.windows("--classname", "vellumark-widget");
    return found.size() == 1 ? std::optional(found.front()) : std::nullopt;
}

void click(const DesktopSession& desktop, const WindowInfo& window, std::pair<int, int> at) {
    desktop.click(window.x + at.first, window.y + at.second);
}

fs::path queueFile() { return *AppGroup::containerURL() / WidgetCommandQueue::fileName; }

constexpr unsigned lightRed = 0xE5484D, lightPort = 0x2F2FE4;

TEST(WidgetEndToEnd, TheWidgetShowsARealServerAndItsStopButtonEndsItThroughTheApplication) {
    testing_support::TempHome home;
    const app_test::DevelopmentServer developmentServer(home.home(), "demo");
    ChildProcess& server = *developmentServer.process;
    DesktopSession desktop(home.home());
    ChildProcess app({application}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    ChildProcess shown({widget, "--family", "medium"}, app_test::logTo(home.home() / "widget.log", {{"QT_QPA_PLATFORM", "xcb"}}));

    std::optional<WindowInfo> window;
    ASSERT_TRUE(waitUntil([&] { return (window = widgetWindow(desktop)).has_value(); }, 10s)) << fileText(home.home() / "widget.log");
    const std::string states = run({"xprop", "-id", window->id, "_NET_WM_STATE"});
    EXPECT_NE(states.find("_NET_WM_STATE_BELOW"), std::string::npos) << states;
    // The application's first scan reaches the widget through the reload request.
    std::string text;
    EXPECT_TRUE(waitUntil([&] { return (text = textOn(*window, home.home())).find("demo") != std::string::npos; }, 20s))
        << text << fileText(home.home() / "app.log");
    EXPECT_NE(text.find("1 server"), std::string::npos) << text;

    // The red x is the only red on the widget while no port is claimed twice.
    const auto stop = picture(*window, home.home() / "widget.ppm").centreOf(lightRed);
    ASSERT_TRUE(stop);
    click(desktop, *window, *stop);
    EXPECT_TRUE(server.waitForExit(15s)) << fileText(home.home() / "app.log");
    EXPECT_TRUE(waitUntil([&] { return server.members().empty(); }, 10s));
    // The application's next scan finds nothing, and the widget says so.
    EXPECT_TRUE(waitUntil([&] { return textOn(*window, home.home()).find("Nothing running") != std::string::npos; }, 20s))
        << textOn(*window, home.home());
    EXPECT_FALSE(app.hasExited()) << fileText(home.home() / "app.log");
    EXPECT_FALSE(shown.hasExited()) << fileText(home.home() / "widget.log");
}

TEST(WidgetEndToEnd, AnOpenPressedWhileTheApplicationIsNotRunningWaitsForItsStart) {
    testing_support::TempHome home;
    const int port = testing_support::freePort();
    DataStore::write({std::chrono::system_clock::now(), {widget_test::project("shop", {widget_test::server(4242, {port})})}});
    // The browser: a stand-in for xdg-open that writes down what it was asked to open.
    const fs::path bin = home.home() / "bin", opened = home.home() / "opened.txt";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << opened.string() << ".part'\nmv '"
                                    << opened.string() << ".part' '" << opened.string() << "'\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    DesktopSession desktop(home.home());
    ChildProcess shown({widget, "--family=small"}, app_test::logTo(home.home() / "widget.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    std::optional<WindowInfo> window;
    ASSERT_TRUE(waitUntil([&] { return (window = widgetWindow(desktop)).has_value(); }, 10s)) << fileText(home.home() / "widget.log");
    EXPECT_EQ(window->width, 170);

    // The port under the project's name is part of its main button.
    std::optional<std::pair<int, int>> portLabel;
    ASSERT_TRUE(waitUntil([&] { return (portLabel = picture(*window, home.home() / "w.ppm").centreOf(lightPort)).has_value(); }, 10s));
    click(desktop, *window, *portLabel);
    const std::string command = R"([{"openLocalhost":{"port":)" + std::to_string(port) + "}}]";
    ASSERT_TRUE(waitUntil([&] { return Platform::readWholeFile(queueFile()) == command; }, 10s))
        << Platform::readWholeFile(queueFile()).value_or("(no queue)");
    // The widget started nothing: it has no child process.
    const std::string children =
        fileText("/proc/" + std::to_string(shown.pid()) + "/task/" + std::to_string(shown.pid()) + "/children");
    EXPECT_EQ(children.find_first_not_of(' '), std::string::npos) << children;
    EXPECT_FALSE(fs::exists(opened));

    const std::string path = bin.string() + ":" + std::getenv("PATH");
    ChildProcess app({application}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}, {"PATH", path}}));
    EXPECT_TRUE(waitUntil([&] { return fs::exists(opened); }, 15s)) << fileText(home.home() / "app.log");
    EXPECT_EQ(fileText(opened), "http://localhost:" + std::to_string(port) + "\n");
    EXPECT_FALSE(fs::exists(queueFile()));
}

}  // namespace
