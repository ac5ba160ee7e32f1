// The real program, as a user runs it: in a desktop of the test's own with a real tray host, with
// real development servers in the home folder; with the tray most Linux desktops have, a
// StatusNotifier host on the session bus (KDE; GNOME with its AppIndicator extension), played by a
// stand-in in Python on a bus of the test's own; and with no display at all. The panel's texts are
// read back from the screen with tesseract.

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "app/support/DesktopSession.h"
#include "app/support/DevelopmentServer.h"
#include "app/support/Screenshots.h"
#include "app/support/SessionBus.h"
#include "support/TempHome.h"

namespace {

// A home where the application ran before: no welcome window comes up over what a test looks at.
void markLaunchedBefore() { Platform::UserDefaults::standard().set("hasLaunchedBefore", true); }

using namespace std::chrono_literals;
using app_test::DesktopSession;
using app_test::fileText;
using app_test::run;
using testing_support::ChildProcess;
using testing_support::waitUntil;

const std::string program = VELLUMARK_BUILD_DIR "/App/vellumark";

TEST(ApplicationEndToEnd, TheWelcomeWindowOnTheFirstLaunchOnly) {
    testing_support::TempHome home;
    DesktopSession desktop(home.home());
    const auto welcome = [&] { return desktop.windows("--name", "Welcome to Vellumark"); };
    {
        ChildProcess app({program}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
        ASSERT_TRUE(waitUntil([&] { return welcome().size() == 1; }, 10s)) << fileText(home.home() / "app.log");
        app_test::WindowInfo window = welcome().front();
        // Painted once its page's title can be read on the screen.
        const auto showsTitle = [&](const std::string& title) {
            return waitUntil(
                [&] { return app_test::textOnWindow(window.id, home.home()).find(title) != std::string::npos; }, 30s);
        };
        EXPECT_TRUE(showsTitle("Never wonder")) << app_test::textOnWindow(window.id, home.home());
        EXPECT_FALSE(app_test::screenshot("welcome-1", window.x, window.y, window.width, window.height).empty());

        // Return presses "Continue": the second page, then the end.
        desktop.xdotool({"mousemove", std::to_string(window.x + 20), std::to_string(window.y + 20)});
        desktop.xdotool({"key", "--window", window.id, "Return"});
        EXPECT_TRUE(showsTitle("Only real servers")) << app_test::textOnWindow(window.id, home.home());
        EXPECT_FALSE(app_test::screenshot("welcome-2", window.x, window.y, window.width, window.height).empty());
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

// --- one instance per user ---

const std::string handedOverLine = "Vellumark: already running; the running instance opens its panel\n";
const std::string idleIcon = "Vellumark · no servers running";

// Autostart and a manual start: the second launch opens the first one's panel instead of adding a
// tray icon and a scan loop of its own, and ends.
TEST(ApplicationEndToEnd, ASecondLaunchOpensTheRunningInstancesPanelAndEnds) {
    testing_support::TempHome home;
    markLaunchedBefore();
    DesktopSession desktop(home.home());
    ChildProcess first({program}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    ASSERT_TRUE(waitUntil([&] { return desktop.windows("--name", idleIcon).size() == 1; }, 20s))
        << fileText(home.home() / "app.log");

    ChildProcess second({program}, app_test::logTo(home.home() / "second.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    ASSERT_TRUE(second.waitForExit(30s)) << fileText(home.home() / "second.log");
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(fileText(home.home() / "second.log"), handedOverLine);
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").size() == 1; }, 10s))
        << fileText(home.home() / "app.log");
    EXPECT_EQ(desktop.windows("--name", idleIcon).size(), 1u);
    EXPECT_FALSE(first.hasExited()) << fileText(home.home() / "app.log");
}

// An instance killed outright leaves its socket file behind, which must not keep the next launch
// from running; and of two launches at the same moment exactly one runs.
TEST(ApplicationEndToEnd, AKilledInstancesSocketIsTakenOverAndOfTwoLaunchesAtOnceOneRuns) {
    testing_support::TempHome home;
    markLaunchedBefore();
    DesktopSession desktop(home.home());
    const auto socket = home.runtimeDir() / "vellumark/instance.socket";
    {
        ChildProcess killed({program}, app_test::logTo(home.home() / "killed.log", {{"QT_QPA_PLATFORM", "xcb"}}));
        ASSERT_TRUE(waitUntil([&] { return desktop.windows("--name", idleIcon).size() == 1; }, 20s))
            << fileText(home.home() / "killed.log");
        ASSERT_EQ(::kill(killed.pid(), SIGKILL), 0);
        ASSERT_TRUE(killed.waitForExit(10s));
    }
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(socket))) << "a socket file left behind";
    ASSERT_TRUE(waitUntil([&] { return desktop.windows("--name", idleIcon).empty(); }, 10s));

    const auto launch = [&](const std::string& log) {
        return std::make_unique<ChildProcess>(std::vector<std::string>{program},
                                              app_test::logTo(home.home() / log, {{"QT_QPA_PLATFORM", "xcb"}}));
    };
    std::unique_ptr<ChildProcess> launches[] = {launch("a.log"), launch("b.log")};
    const std::string logs[] = {"a.log", "b.log"};
    const auto both = [&] { return fileText(home.home() / "a.log") + fileText(home.home() / "b.log"); };
    ASSERT_TRUE(waitUntil([&] { return launches[0]->hasExited() || launches[1]->hasExited(); }, 40s)) << both();
    const int ended = launches[0]->hasExited() ? 0 : 1, running = 1 - ended;
    EXPECT_EQ(launches[ended]->exitCode(), 0);
    EXPECT_EQ(fileText(home.home() / logs[ended]), handedOverLine);
    EXPECT_TRUE(waitUntil([&] { return desktop.windows("--name", "Vellumark").size() == 1; }, 10s)) << both();
    EXPECT_EQ(desktop.windows("--name", idleIcon).size(), 1u) << both();
    EXPECT_FALSE(launches[running]->hasExited()) << both();
    EXPECT_EQ(fileText(home.home() / logs[running]).find("already running"), std::string::npos);
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
    const auto found = std::ranges::find_if(
        entries, [&](const nlohmann::json& entry) { return entry.value("event", std::string()) == event; });
    return found == entries.end() ? nlohmann::json::object() : *found;
}

bool reportsToolTip(const std::vector<nlohmann::json>& entries, const std::string& toolTip) {
    return std::ranges::any_of(
        entries, [&](const nlohmann::json& entry) { return entry.value("toolTip", std::string()) == toolTip; });
}

// A StatusNotifier host draws the icon itself and passes clicks on as Activate(x, y); where the
// icon sits is the host's secret, so the panel opens at the pointer.
TEST(ApplicationEndToEnd, AStatusNotifierHostShowsIconAndToolTipAndItsActivateOpensThePanelAtThePointer) {
    testing_support::TempHome home;
    markLaunchedBefore();
    const app_test::DevelopmentServer server(home.home(), "demo");

    app_test::SessionBus bus(home.home());
    DesktopSession desktop(home.home(), DesktopSession::Tray::none);
    // Where the user clicks the icon in the host's panel; the host passes the point on.
    const int clickX = 640, clickY = 400;
    const auto report = home.home() / "host.jsonl";
    const std::map<std::string, std::optional<std::string>> onBus{{"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
    ChildProcess host(
        {"/usr/bin/python3", STATUS_NOTIFIER_HOST, report.string(), std::to_string(clickX), std::to_string(clickY)},
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

// --- the panel of the real program, read from the screen ---

// A word tesseract read, and the middle of its box on the screen.
struct Word {
    std::string text;
    int x = 0, y = 0;
};

// What tesseract reads on the window, word by word.
std::vector<Word> wordsOn(const app_test::WindowInfo& window, const std::filesystem::path& folder) {
    const auto shot = folder / "ocr.png";
    if (!app_test::importRegion(window.x, window.y, window.width, window.height, shot)) return {};
    std::istringstream table(app_test::ocr(shot, {"tsv"}));
    std::vector<Word> words;
    for (std::string line; std::getline(table, line);) {
        // level, page, block, paragraph, line, word, left, top, width, height, confidence, text
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        if (fields.size() != 12 || fields[0] != "5" || fields[11].find_first_not_of(' ') == std::string::npos) continue;
        const int left = std::stoi(fields[6]), top = std::stoi(fields[7]);
        const int width = std::stoi(fields[8]), height = std::stoi(fields[9]);
        words.push_back({fields[11], window.x + (left + width / 2) / app_test::ocrScale,
                         window.y + (top + height / 2) / app_test::ocrScale});
    }
    return words;
}

const Word* findWord(const std::vector<Word>& words, const std::string& part) {
    const auto found =
        std::ranges::find_if(words, [&](const Word& word) { return word.text.find(part) != std::string::npos; });
    return found == words.end() ? nullptr : &*found;
}

// A port read off the screen: OCR takes the colon before it for a digit now and then, and may read
// one of its digits wrong (6 for 0), so a word whose digits end in the port's, give or take one
// digit, shows it.
bool showsPort(const Word& word, int port) {
    const std::string wanted = std::to_string(port);
    std::string digits;
    for (const char c : word.text)
        if (c >= '0' && c <= '9') digits += c;
    if (digits.size() < wanted.size()) return false;
    const std::string_view tail = std::string_view(digits).substr(digits.size() - wanted.size());
    int wrong = 0;
    for (std::size_t i = 0; i < wanted.size(); ++i) wrong += tail[i] != wanted[i];
    return wrong <= 1;
}

// Each port shown by a word of its own: ports taken one after the other differ in one digit, so one
// word could pass for both.
bool showsPorts(const std::vector<Word>& words, int first, int second) {
    return std::ranges::any_of(words, [&](const Word& one) {
        return showsPort(one, first) && std::ranges::any_of(words, [&](const Word& other) {
                   return &other != &one && showsPort(other, second);
               });
    });
}

// How many words the predicate takes.
std::size_t countWords(const std::vector<Word>& words, const std::string& part) {
    return std::ranges::count_if(words, [&](const Word& word) { return word.text.find(part) != std::string::npos; });
}

std::string joined(const std::vector<Word>& words) {
    std::string text;
    for (const Word& word : words) text += word.text + " ";
    return text;
}

// The panel of the real program under trayer, and the way to its windows.
struct PanelSession {
    testing_support::TempHome home;
    app_test::DevelopmentServer web, api;
    DesktopSession desktop;
    std::unique_ptr<ChildProcess> app;
    app_test::WindowInfo icon;

    PanelSession() : web(home.home(), "web"), api(home.home(), "api"), desktop(home.home()) {
        markLaunchedBefore();
        app = std::make_unique<ChildProcess>(std::vector<std::string>{program},
                                             app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
        const std::string label = "Vellumark · 2 servers running";
        if (!waitUntil([&] { return desktop.windows("--name", label).size() == 1; }, 20s))
            throw std::runtime_error("no tray icon: " + log());
        icon = desktop.windows("--name", label).front();
    }
    std::string log() const { return fileText(home.home() / "app.log"); }
    std::optional<app_test::WindowInfo> panel() const {
        const auto found = desktop.windows("--name", "Vellumark");
        return found.size() == 1 ? std::optional(found.front()) : std::nullopt;
    }
    // A click on the tray icon, and the panel it opened.
    app_test::WindowInfo open() {
        desktop.click(icon.x + icon.width / 2, icon.y + icon.height / 2);
        std::optional<app_test::WindowInfo> shown;
        if (!waitUntil([&] { return (shown = panel()).has_value(); }, 10s))
            throw std::runtime_error("no panel: " + log());
        return *shown;
    }
    // A click with the button at the point, and the application's window it opened (a menu).
    std::optional<app_test::WindowInfo> openMenu(int x, int y, int button = 1) const {
        const auto before = desktop.windows("--classname", "vellumark");
        desktop.xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
        std::optional<app_test::WindowInfo> menu;
        waitUntil(
            [&] {
                for (const auto& window : desktop.windows("--classname", "vellumark")) {
                    if (std::ranges::none_of(before, [&](const auto& old) { return old.id == window.id; }))
                        menu = window;
                }
                return menu.has_value();
            },
            10s);
        return menu;
    }
    // Waits until what the window shows passes the test; its words then, or none when it never did
    // (what it showed last goes to standard error).
    std::optional<std::vector<Word>> waitForScreen(const app_test::WindowInfo& window,
                                                   const std::function<bool(const std::vector<Word>&)>& shows) {
        std::vector<Word> words;
        const bool shown = waitUntil([&] { return shows(words = wordsOn(window, home.home())); }, 30s);
        if (!shown) std::cerr << "the screen read: " << joined(words) << "\n";
        return shown ? std::optional(words) : std::nullopt;
    }
    // Waits until the window shows every one of the texts and none of the absent ones.
    std::optional<std::vector<Word>> waitForWords(const app_test::WindowInfo& window,
                                                  const std::vector<std::string>& texts,
                                                  const std::vector<std::string>& absent = {}) {
        return waitForScreen(window, [&](const std::vector<Word>& words) {
            return std::ranges::all_of(texts, [&](const auto& text) { return findWord(words, text); }) &&
                   std::ranges::none_of(absent, [&](const auto& text) { return findWord(words, text); });
        });
    }
    // A click on the menu's item, found by a word of it.
    bool clickMenuItem(const std::optional<app_test::WindowInfo>& menu, const std::string& item) {
        const auto words = menu ? waitForWords(*menu, {item}) : std::nullopt;
        if (!words) return false;
        const Word* word = findWord(*words, item);
        desktop.click(word->x, word->y);
        return true;
    }
};

// The tray icon with its tool tip; its clicks open and close the panel under it, which shows both
// projects, filters them by a port and copies a row's address.
TEST(PanelEndToEnd, TheTrayIconsPanelShowsBothProjectsFiltersByPortAndCopiesARowsAddress) {
    PanelSession session;
    const app_test::WindowInfo& icon = session.icon;
    const auto trays = session.desktop.windows("--classname", "panel");  // trayer's
    ASSERT_EQ(trays.size(), 1u);
    const int iconX = icon.x + icon.width / 2, iconY = icon.y + icon.height / 2;
    EXPECT_TRUE(trays[0].contains(iconX, iconY));

    // Resting the pointer on the icon brings up its tool tip under it. It rests off the point the
    // clicks leave it at: Qt merges the moves that wait for a busy application into one, and one
    // that ends where the pointer was is no move to it (no tool tip).
    session.desktop.xdotool({"mousemove", std::to_string(iconX - 2), std::to_string(iconY - 2)});
    EXPECT_TRUE(waitUntil(
        [&] {
            return std::ranges::any_of(session.desktop.windows("--classname", "vellumark"),
                                       [&](const app_test::WindowInfo& window) {
                                           return window.id != icon.id && window.y >= iconY &&
                                                  session.panel().value_or(app_test::WindowInfo{}).id != window.id;
                                       });
        },
        10s));

    // The panel under the icon: its width, inside the screen. The icon's next click closes it, and
    // does not open it again: were it open again (late or not), the click after would close it
    // instead of opening it.
    const app_test::WindowInfo first = session.open();
    EXPECT_EQ(first.width, 440);
    EXPECT_GE(first.y, icon.y + icon.height);
    EXPECT_LE(first.x + first.width, DesktopSession::screenWidth);
    EXPECT_LE(first.x, iconX);
    session.desktop.click(iconX, iconY);
    EXPECT_TRUE(waitUntil([&] { return !session.panel(); }, 10s));
    const app_test::WindowInfo panel = session.open();
    // Both projects, each with its server's row (the command, python3) and port.
    auto words = session.waitForScreen(panel, [&](const std::vector<Word>& read) {
        return findWord(read, "web") && findWord(read, "api") && countWords(read, "python") == 2 &&
               showsPorts(read, session.web.port, session.api.port);
    });
    ASSERT_TRUE(words) << session.log();
    EXPECT_FALSE(app_test::screenshot("panel-tray", panel.x, panel.y, panel.width, panel.height).empty());

    // The port typed into the filter field leaves that row alone.
    const Word* field = findWord(*words, "Filter");
    ASSERT_TRUE(field) << joined(*words);
    session.desktop.click(field->x, field->y);
    session.desktop.xdotool({"type", std::to_string(session.api.port)});
    // The one row left is api's: its command, above the field, whose distance from the panel's
    // bottom stays while the panel shrinks to the one row; web's header has gone with its row.
    const int fieldFromBottom = panel.y + panel.height - field->y;
    std::optional<Word> row;
    words = session.waitForScreen(panel, [&](const std::vector<Word>& read) {
        const auto now = session.panel();
        const int fieldY = now ? now->y + now->height - fieldFromBottom : 0;
        row.reset();
        for (const Word& word : read)
            if (word.text.find("python") != std::string::npos && word.y < fieldY - 12) row = word;
        return row && countWords(read, "python") == 1 && findWord(read, "api") && !findWord(read, "web");
    });
    ASSERT_TRUE(words) << "only the api row";

    // A right click on the row offers the copy item; the clipboard then holds the address.
    const std::string address = "http://localhost:" + std::to_string(session.api.port);
    ASSERT_TRUE(session.clickMenuItem(session.openMenu(row->x, row->y, 3), "Copy")) << session.log();
    std::string copied;
    EXPECT_TRUE(waitUntil(
        [&] {
            return (copied = run({"xclip", "-o", "-selection", "clipboard"})) == address;
        },
        10s))
        << copied;
    EXPECT_FALSE(session.app->hasExited()) << session.log();
}

// Issue keys and the gear menu: Down then K in the open panel asks once and Return stops the first
// row's server; the gear's "Launch at Login" writes the autostart entry; "Settings…" closes the panel
// and opens the settings window (asked again, the same one comes back: SettingsDesktopTests).
TEST(PanelEndToEnd, KeysStopTheFirstRowAndTheGearMenuReachesLoginAndSettings) {
    PanelSession session;
    const app_test::WindowInfo panel = session.open();
    const auto words = session.waitForWords(panel, {"web", "api"});
    ASSERT_TRUE(words) << session.log();
    const bool webFirst = findWord(*words, "web")->y < findWord(*words, "api")->y;
    ChildProcess& first = *(webFirst ? session.web : session.api).process;
    ChildProcess& second = *(webFirst ? session.api : session.web).process;

    session.desktop.xdotool({"key", "Down"});
    session.desktop.xdotool({"key", "k"});
    ASSERT_TRUE(session.waitForWords(panel, {"Stop", "server?", "once."})) << "the warning card";
    session.desktop.xdotool({"key", "Return"});
    ASSERT_TRUE(first.waitForExit(15s)) << session.log();
    EXPECT_EQ(first.terminatingSignal(), SIGTERM);
    EXPECT_EQ(testing_support::endedBy(second), SIGUSR1) << "the second row's server got nothing";

    // The gear sits at the header's right end.
    const auto gearMenu = [&] { return session.openMenu(panel.x + panel.width - 12 - 13, panel.y + 12 + 13); };
    const auto entry = session.home.configHome() / "autostart/io.kestrow.v3lk.desktop";
    ASSERT_TRUE(session.clickMenuItem(gearMenu(), "Launch")) << session.log();
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(entry); }, 10s)) << session.log();
    EXPECT_NE(fileText(entry).find("Exec=" + program), std::string::npos) << fileText(entry);

    ASSERT_TRUE(session.clickMenuItem(gearMenu(), "Settings")) << session.log();
    ASSERT_TRUE(waitUntil([&] { return session.desktop.windows("--name", "Settings").size() == 1; }, 10s))
        << session.log();
    EXPECT_TRUE(waitUntil([&] { return !session.panel(); }, 10s)) << "opening Settings closes the panel";
    EXPECT_FALSE(session.app->hasExited()) << session.log();
}

}  // namespace
