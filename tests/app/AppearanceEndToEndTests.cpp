// The desktop's light or dark appearance, followed by both real programs under Xvfb: a stand-in XDG
// desktop portal on a session bus of the test's own (support/appearance_portal.py) switches its
// colour scheme while the welcome window, the settings window, the panel and a widget are open, and
// the windows' pictures on the screen follow. Also a portal from before ReadOne, a value no portal
// should send, and no session bus at all.

#include <gtest/gtest.h>

#include <signal.h>

#include <QColor>
#include <QImage>

#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UserDefaults.h"
#include "Shared/Settings/FilterRules.h"
#include "support/DesktopSession.h"
#include "support/Screenshots.h"
#include "support/SessionBus.h"
#include "support/TempHome.h"

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

// The cards of the panel, the widget and the settings' sections: Theme.card.
QColor card(bool dark) { return dark ? QColor(0x1C1E1D) : QColor(0xFFFFFF); }

// The stand-in portal, with the value its control file holds.
class Portal {
public:
    Portal(const fs::path& folder, const std::string& busAddress, const std::string& value, bool beforeReadOne = false)
        : report_(folder / "portal.jsonl"), control_(folder / "portal-value"), log_(folder / "portal.log") {
        fs::create_directories(folder);
        std::ofstream(control_) << value;
        std::vector<std::string> arguments{"/usr/bin/python3", APPEARANCE_PORTAL, report_.string(), control_.string()};
        if (beforeReadOne) arguments.push_back("--before-read-one");
        process_ = std::make_unique<ChildProcess>(arguments,
                                                  app_test::logTo(log_, {{"DBUS_SESSION_BUS_ADDRESS", busAddress}}));
        if (!waitUntil([&] { return said("\"Ready\""); }, 10s))
            throw std::runtime_error("no portal: " + fileText(log_));
    }
    // The desktop switches: the new value, announced.
    void set(const std::string& value) {
        const std::size_t before = changes();
        std::ofstream(control_) << value;
        ASSERT_EQ(::kill(process_->pid(), SIGUSR1), 0);
        ASSERT_TRUE(waitUntil([&] { return changes() > before; }, 10s)) << fileText(log_);
    }
    bool said(const std::string& part) const { return fileText(report_).find(part) != std::string::npos; }
    std::string report() const { return fileText(report_) + fileText(log_); }

private:
    std::size_t changes() const {
        const std::string text = fileText(report_);
        std::size_t count = 0;
        for (auto at = text.find("SettingChanged"); at != std::string::npos; at = text.find("SettingChanged", at + 1))
            ++count;
        return count;
    }
    fs::path report_, control_, log_;
    std::unique_ptr<ChildProcess> process_;
};

QImage picture(const WindowInfo& window, const fs::path& file) {
    fs::remove(file);
    run({"import", "-window", window.id, file.string()});
    return QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
}

// The share of the picture's pixels in that colour, give or take a little.
double share(const QImage& image, QColor color) {
    if (image.isNull()) return 0;
    long alike = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            alike += std::abs(qRed(pixel) - color.red()) + std::abs(qGreen(pixel) - color.green()) +
                         std::abs(qBlue(pixel) - color.blue()) <=
                     6;
        }
    }
    return double(alike) / (double(image.width()) * image.height());
}

// How light the picture is on the whole, 0 black to 1 white.
double lightness(const QImage& image) {
    if (image.isNull()) return -1;
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += QColor(image.pixel(x, y)).lightnessF();
    return sum / (double(image.width()) * image.height());
}

// The window's picture is in the appearance: mostly light or mostly dark, with `cards` of it (a
// share) the card colour of that appearance.
bool inAppearance(const QImage& image, bool dark, double cards) {
    const double light = lightness(image);
    return (dark ? light < 0.3 : light > 0.7) && share(image, card(dark)) >= cards;
}

std::optional<WindowInfo> onlyWindow(const std::vector<WindowInfo>& found) {
    return found.size() == 1 ? std::optional(found.front()) : std::nullopt;
}

std::optional<WindowInfo> waitForWindow(const std::function<std::vector<WindowInfo>()>& find) {
    std::optional<WindowInfo> window;
    waitUntil([&] { return (window = onlyWindow(find())).has_value(); }, 15s);
    return window;
}

bool hasIcon(const WindowInfo& window) {
    return run({"xprop", "-id", window.id, "_NET_WM_ICON"}).find("Icon (16 x 16)") != std::string::npos;
}

TEST(AppearanceEndToEnd, BothProgramsFollowTheDesktopFromLightToDarkAndBackWhileTheirWindowsAreOpen) {
    testing_support::TempHome home;
    app_test::SessionBus bus(home.home());
    Portal portal(home.home(), bus.address(), "2");
    DesktopSession desktop(home.home());
    const std::map<std::string, std::optional<std::string>> environment{{"QT_QPA_PLATFORM", "xcb"},
                                                                        {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
    // Rows for the Filters page: a hidden server, a folder, and one that can never match.
    FilterRules rules;
    rules.hiddenServers = {"node:22001"};
    rules.includedFolders = {"/srv/abcde", "/Library/Old"};
    rules.save(Platform::UserDefaults::standard());
    // The first launch: the welcome window comes up, the hot key is stored and grabbed.
    ChildProcess app({application}, app_test::logTo(home.home() / "app.log", environment));
    ChildProcess shown({widget, "--family", "small", "--preview"},
                       app_test::logTo(home.home() / "widget.log", environment));
    const auto logs = [&] { return fileText(home.home() / "app.log") + fileText(home.home() / "widget.log"); };

    const auto welcome = waitForWindow([&] { return desktop.windows("--name", "Welcome to Vellumark"); });
    const auto small = waitForWindow([&] { return desktop.windows("--classname", "vellumark-widget"); });
    ASSERT_TRUE(welcome && small) << logs();
    ASSERT_TRUE(waitUntil(
        [] { return Platform::UserDefaults::standard().string("GlobalShortcuts_togglePopover").has_value(); }, 10s))
        << logs();
    EXPECT_TRUE(waitUntil([&] { return portal.said("ReadOne"); }, 10s)) << portal.report();
    // Side by side, so that each is photographed whole.
    desktop.xdotool({"windowmove", welcome->id, "10", "60"});
    desktop.xdotool({"windowmove", small->id, "1090", "560"});

    // The panel, its gear's menu, and Settings…, the menu's first item. The panel's title is the
    // widget's too.
    const auto panels = [&] {
        std::vector<WindowInfo> found = desktop.windows("--name", "Vellumark");
        std::erase_if(found, [&](const WindowInfo& window) { return window.id == small->id; });
        return found;
    };
    // Opened with the global hot key, which the first launch stores.
    const auto panel = [&] {
        desktop.xdotool({"key", "super+alt+p"});
        return waitForWindow(panels);
    };
    // The gear's menu of the open panel: the application's window that was not there before.
    const auto gearMenu = [&](const WindowInfo& openPanel) {
        const auto before = desktop.windows("--classname", "vellumark");
        desktop.click(openPanel.x + openPanel.width - 25, openPanel.y + 25);
        return waitForWindow([&] {
            std::vector<WindowInfo> added;
            for (const WindowInfo& window : desktop.windows("--classname", "vellumark"))
                if (std::ranges::none_of(before, [&](const WindowInfo& old) { return old.id == window.id; }))
                    added.push_back(window);
            return added;
        });
    };
    std::optional<WindowInfo> opened = panel();
    ASSERT_TRUE(opened) << logs();
    const auto menu = gearMenu(*opened);
    ASSERT_TRUE(menu) << logs();
    desktop.click(menu->x + 40, menu->y + 11);
    const auto settings = waitForWindow([&] { return desktop.windows("--name", "Settings"); });
    ASSERT_TRUE(settings) << logs();
    ASSERT_TRUE(waitUntil([&] { return panels().empty(); }, 10s));
    desktop.xdotool({"windowmove", settings->id, "500", "60"});

    const struct {
        const char* value;
        bool dark;
        const char* name;
    } phases[] = {{"2", false, "light"}, {"1", true, "dark"}, {"2", false, "light-again"}};
    const struct {
        WindowInfo window;
        double cards;  // how much of it is card
        const char* name;
    } windows[] = {{*welcome, 0.0, "welcome"}, {*settings, 0.2, "settings"}, {*small, 0.5, "widget"}};
    for (const auto& phase : phases) {
        if (&phase != &phases[0]) portal.set(phase.value);
        const std::string prefix = std::string("appearance-") + phase.name + "-";
        const fs::path folder = testing_support::screenshotFolder();
        for (const auto& [window, cards, name] : windows) {
            const fs::path photo = folder / (prefix + name + ".png");
            EXPECT_TRUE(waitUntil([&] { return inAppearance(picture(window, photo), phase.dark, cards); }, 10s))
                << photo << ": lightness " << lightness(picture(window, photo)) << ", cards "
                << share(picture(window, photo), card(phase.dark)) << "\n"
                << logs();
        }
        if (phase.dark) {
            // The Filters page, with its rows, in the dark (and then back in the light).
            const auto moved = DesktopSession::geometry(settings->id);
            ASSERT_TRUE(moved);
            desktop.click(moved->x + 335, moved->y + 14);
            const fs::path photo = folder / "appearance-dark-settings-filters.png";
            EXPECT_TRUE(waitUntil(
                [&] {
                    const QImage image = picture(*settings, photo);
                    return inAppearance(image, true, 0.2) && share(image, QColor(0xB4740F)) == 0 &&
                           share(image, QColor(0xE0A030)) > 0;  // the "no effect" tag in dark amber
                },
                10s))
                << photo;
        }
        opened = panel();
        ASSERT_TRUE(opened) << phase.name << logs();
        const fs::path photo = folder / (prefix + "panel.png");
        EXPECT_TRUE(waitUntil([&] { return inAppearance(picture(*opened, photo), phase.dark, 0.5); }, 10s))
            << photo << ": lightness " << lightness(picture(*opened, photo));
        if (!phase.dark) {
            // Every window carries the application's icon, the panel too.
            for (const WindowInfo& window : {*welcome, *settings, *small, *opened}) EXPECT_TRUE(hasIcon(window));
        } else if (const auto darkMenu = gearMenu(*opened)) {
            const fs::path shot = folder / "appearance-dark-gear-menu.png";
            EXPECT_TRUE(waitUntil([&] { return lightness(picture(*darkMenu, shot)) < 0.3; }, 10s)) << shot;
            desktop.xdotool({"key", "Escape"});  // the menu; the panel stays
            ASSERT_TRUE(
                waitUntil([&] { return !DesktopSession::geometry(darkMenu->id) || panels().size() == 1; }, 10s));
        } else {
            ADD_FAILURE() << "no gear menu in the dark";
        }
        desktop.xdotool({"key", "Escape"});
        ASSERT_TRUE(waitUntil([&] { return panels().empty(); }, 10s));
    }
    EXPECT_FALSE(app.hasExited()) << logs();
    EXPECT_FALSE(shown.hasExited()) << logs();
}

// A widget's card, once it shows.
std::optional<QColor> cardOf(const DesktopSession& desktop, const fs::path& folder) {
    const auto window = onlyWindow(desktop.windows("--classname", "vellumark-widget"));
    if (!window) return std::nullopt;
    const QImage image = picture(*window, folder / "widget.png");
    return image.isNull() ? std::nullopt : std::optional(QColor(image.pixel(2, image.height() - 3)));
}

// Starts a widget in this environment, waits for its card to be the one wanted, and ends it.
void expectWidgetCard(const DesktopSession& desktop, const fs::path& folder,
                      const std::map<std::string, std::optional<std::string>>& environment, bool dark,
                      const std::function<void()>& meanwhile = {}) {
    ChildProcess shown({widget, "--family", "small", "--preview"}, app_test::logTo(folder / "widget.log", environment));
    std::optional<QColor> seen;
    EXPECT_TRUE(waitUntil([&] { return (seen = cardOf(desktop, folder)) == card(dark); }, 10s))
        << (seen ? seen->name().toStdString() : "no widget") << " " << fileText(folder / "widget.log");
    if (meanwhile) meanwhile();
}

TEST(AppearanceEndToEnd, AnOlderPortalAnOddValueAndNoSessionBus) {
    testing_support::TempHome home;
    app_test::SessionBus bus(home.home());
    DesktopSession desktop(home.home(), DesktopSession::Tray::none);
    const std::map<std::string, std::optional<std::string>> onBus{{"QT_QPA_PLATFORM", "xcb"},
                                                                  {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
    {
        // A portal from before ReadOne: Read's answer, one variant deeper, says dark.
        Portal old(home.home() / "old", bus.address(), "1", true);
        expectWidgetCard(desktop, home.home(), onBus, true);
        EXPECT_TRUE(old.said("\"Read\"")) << old.report();
    }
    {
        // A string where a number belongs counts as no preference: the palette's light; then the
        // desktop switches to dark, and the widget follows.
        Portal odd(home.home() / "odd", bus.address(), "dark");
        expectWidgetCard(desktop, home.home(), onBus, false, [&] {
            odd.set("1");
            std::optional<QColor> seen;
            EXPECT_TRUE(waitUntil([&] { return (seen = cardOf(desktop, home.home())) == card(true); }, 10s))
                << (seen ? seen->name().toStdString() : "no widget") << odd.report()
                << fileText(home.home() / "widget.log");
        });
    }
    // No portal on the bus, and no bus at all: the palette as Qt has it, light here.
    expectWidgetCard(desktop, home.home(), onBus, false);
    expectWidgetCard(desktop, home.home(),
                     {{"QT_QPA_PLATFORM", "xcb"}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"}}, false);
}

}  // namespace
