// The real program, as a user runs it: in a desktop of the test's own with a real tray host, with
// real development servers in the home folder; with the tray most Linux desktops have, a
// StatusNotifier host on the session bus (KDE; GNOME with its AppIndicator extension), played by a
// stand-in in Python on a bus of the test's own; and with no display at all. The panel's texts are
// read back from the screen with tesseract.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/NotifyCenter.h"
#include "Platform/NotifyFolders.h"
#include "Platform/ProcessRunner.h"
#include "Platform/UniqueFd.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Shared/Store/DataStore.h"
#include "support/DesktopSession.h"
#include "support/DevelopmentServer.h"
#include "support/Screenshots.h"
#include "support/SessionBus.h"
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
        const std::string icon = run({"xprop", "-id", window.id, "_NET_WM_ICON"});
        EXPECT_NE(icon.find("Icon (48 x 48)"), std::string::npos) << "the application's icon: " << icon.substr(0, 200);

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

// The gear menu's key equivalents in the application's windows, with nothing else open: Ctrl+, in
// the welcome window brings up the settings window, and again the same one, in front of it; Ctrl+Q
// in the settings window ends the program with status 0.
TEST(ApplicationEndToEnd, CtrlCommaBringsUpTheOneSettingsWindowAndCtrlQQuitsFromTheWindows) {
    testing_support::TempHome home;
    DesktopSession desktop(home.home());
    ChildProcess app({program}, app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    const auto log = [&] { return fileText(home.home() / "app.log"); };
    std::vector<app_test::WindowInfo> welcome, settings;
    ASSERT_TRUE(waitUntil(
        [&] {
            return (welcome = desktop.windows("--name", "Welcome to Vellumark")).size() == 1 &&
                   desktop.focusedWindow() == welcome[0].id;
        },
        10s))
        << log();
    const auto settingsInFront = [&] {
        return (settings = desktop.windows("--name", "Settings")).size() == 1 &&
               desktop.focusedWindow() == settings[0].id;
    };
    desktop.xdotool({"key", "ctrl+comma"});
    ASSERT_TRUE(waitUntil(settingsInFront, 10s)) << log();
    const std::string settingsId = settings[0].id;

    // The welcome window given the keyboard back, as a window manager does on a click (the settings
    // window covers it).
    desktop.xdotool({"windowfocus", welcome[0].id});
    ASSERT_TRUE(waitUntil([&] { return desktop.focusedWindow() == welcome[0].id; }, 10s));
    desktop.xdotool({"key", "ctrl+comma"});
    ASSERT_TRUE(waitUntil(settingsInFront, 10s)) << log();
    EXPECT_EQ(settings[0].id, settingsId);

    desktop.xdotool({"key", "ctrl+q"});
    ASSERT_TRUE(app.waitForExit(10s)) << log();
    EXPECT_EQ(app.exitCode(), 0) << log();
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

// What a killed run (kill -9 while writing, while observing) left behind goes at the next start:
// temporary files that no living writer holds, notification sockets that nobody reads. And under a
// file-size limit (RLIMIT_FSIZE) a write that passes it fails and is logged; SIGXFSZ does not end
// the application, the old snapshot stays and no temporary file is left.
TEST(ApplicationEndToEnd, AtStartItClearsWhatAKilledRunLeftAndItOutlivesTheFileSizeLimit) {
    namespace fs = std::filesystem;
    testing_support::TempHome home;
    markLaunchedBefore();
    DataStore::write(ProcessSnapshot{std::chrono::system_clock::now() - 1h, {}});
    const fs::path container = AppGroup::containerURL().value();
    const fs::path snapshot = container / DataStore::fileName;
    const std::string previous = fileText(snapshot);

    const fs::path settings = fs::path(Platform::userDefaultsFilePath(Platform::UserDefaults::standardDomain));
    const fs::path staleSnapshot = container / "snapshot.json.k1LLed", staleSettings = settings.string() + ".k1LLed";
    const fs::path beingWritten = container / "widget-commands.json.wR1tng";
    for (const fs::path& file : {staleSnapshot, staleSettings, beingWritten}) {
        std::ofstream(file) << "{\"projects\":[";
        fs::last_write_time(file, fs::last_write_time(file) - 1h);  // left long ago
    }
    // A writer that is still writing holds its temporary file locked.
    ChildProcess writer({"/usr/bin/flock", beingWritten.string(), "sleep", "600"});
    ASSERT_TRUE(waitUntil([&] {
        const Platform::UniqueFd probe(::open(beingWritten.c_str(), O_RDONLY | O_CLOEXEC));
        return ::flock(probe.get(), LOCK_EX | LOCK_NB) != 0;
    }));

    // A socket whose observer was killed, beside one whose observer lives.
    const std::string name = "test.e2e.leftovers";
    const auto living = Platform::NotifyCenter::observe(name, [] {});
    std::string error;
    const auto folder = Platform::NotifyFolders::openNameFolder(name, true, error);
    ASSERT_TRUE(folder) << error;
    const auto deadAddress = Platform::NotifyFolders::socketAddress(*folder, "999999-deadbeefdeadbeef");
    {
        const Platform::UniqueFd dead(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        ASSERT_EQ(::bind(dead.get(), reinterpret_cast<const sockaddr*>(&deadAddress->address), deadAddress->length), 0);
    }
    const auto sockets = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder->path)) names.push_back(entry.path().filename());
        return names;
    };
    ASSERT_EQ(sockets().size(), 2u);

    DesktopSession desktop(home.home());
    // The limit holds for the application alone: its output goes through a pipe to a log the limit
    // does not cut short.
    ChildProcess app({"/bin/sh", "-c", "/usr/bin/prlimit --fsize=16 -- \"$0\" 2>&1 | cat", program},
                     app_test::logTo(home.home() / "app.log", {{"QT_QPA_PLATFORM", "xcb"}}));
    const auto log = [&] { return fileText(home.home() / "app.log"); };
    ASSERT_TRUE(
        waitUntil([&] { return log().find("Vellumark: failed to write snapshot: ") != std::string::npos; }, 20s))
        << (app.hasExited() ? "the application ended; " : "") << log();
    EXPECT_NE(log().find("File too large"), std::string::npos) << log();
    EXPECT_FALSE(app.hasExited()) << log();
    EXPECT_EQ(fileText(snapshot), previous);

    EXPECT_FALSE(fs::exists(staleSnapshot));
    EXPECT_FALSE(fs::exists(staleSettings));
    EXPECT_TRUE(fs::exists(beingWritten)) << "a living writer's file was taken";
    for (const auto& entry : fs::directory_iterator(container)) {
        const std::string entryName = entry.path().filename();
        EXPECT_TRUE(entryName == DataStore::fileName || entryName == beingWritten.filename() ||
                    entryName.ends_with(".lock"))
            << entryName;
    }
    EXPECT_EQ(sockets().size(), 1u) << "the living observer's socket went";
    EXPECT_FALSE(fs::exists(folder->path / "999999-deadbeefdeadbeef")) << "the dead observer's socket stays";
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
// What tesseract reads on a photograph of the window (left as it is), word by word.
std::vector<Word> wordsOnPhoto(const app_test::WindowInfo& window, const std::filesystem::path& photo) {
    const auto shot = photo.parent_path() / "ocr.png";
    std::filesystem::copy_file(photo, shot, std::filesystem::copy_options::overwrite_existing);
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

std::vector<Word> wordsOn(const app_test::WindowInfo& window, const std::filesystem::path& folder) {
    const auto photo = folder / "window.png";
    if (!app_test::importRegion(window.x, window.y, window.width, window.height, photo)) return {};
    return wordsOnPhoto(window, photo);
}

// The colour of one pixel of a PNG, as ImageMagick names it.
std::string pixelAt(const std::filesystem::path& png, int x, int y) {
    return run({"convert", png.string(), "-format", "%[pixel:p{" + std::to_string(x) + "," + std::to_string(y) + "}]",
                "info:"});
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
    struct Setup {
        std::vector<std::string> projects{"web", "api"};  // one development server in each
        std::optional<DisplayPrefs> prefs;                // stored before the launch
        std::map<std::string, std::optional<std::string>> environment;
    };

    testing_support::TempHome home;
    std::map<std::string, std::unique_ptr<app_test::DevelopmentServer>> servers;
    DesktopSession desktop;
    std::unique_ptr<ChildProcess> app;
    app_test::WindowInfo icon;

    PanelSession() : PanelSession(Setup{}) {}
    explicit PanelSession(const Setup& setup) : desktop(home.home()) {
        for (const std::string& project : setup.projects)
            servers[project] = std::make_unique<app_test::DevelopmentServer>(home.home(), project);
        markLaunchedBefore();
        if (setup.prefs) setup.prefs->save(AppGroup::sharedDefaults());
        // Under the POSIX locale, as a service or a container starts it: the icon's window must still
        // carry its "·" in WM_NAME, which is where xdotool finds it.
        auto environment = setup.environment;
        environment.insert({{"QT_QPA_PLATFORM", "xcb"}, {"LC_ALL", "C"}});
        app = std::make_unique<ChildProcess>(std::vector<std::string>{program},
                                             app_test::logTo(home.home() / "app.log", environment));
        const std::string label = "Vellumark · " + std::to_string(servers.size()) + " servers running";
        if (!waitUntil([&] { return desktop.windows("--name", label).size() == 1; }, 20s))
            throw std::runtime_error("no tray icon: " + log());
        icon = desktop.windows("--name", label).front();
    }
    const app_test::DevelopmentServer& server(const std::string& project) const { return *servers.at(project); }
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
    // A row of the flat list as the screen shows it, found by its project's name.
    struct Row {
        int y = 0;                  // its middle, on the screen
        bool drawnHovered = false;  // on a background of its own (hovered: nothing is selected or armed)
    };
    // Waits until the panel shows a row for every one of the projects, none for the others, and
    // the rows pass the test; the rows then, or none when they never did.
    std::optional<std::map<std::string, Row>> waitForRows(
        const std::vector<std::string>& projects, const std::function<bool(const std::map<std::string, Row>&)>& pass) {
        std::map<std::string, Row> rows;
        std::string seen;
        const bool shown = waitUntil(
            [&] {
                const auto window = panel();
                const auto photo = home.home() / "panel.png";
                if (!window || !app_test::importRegion(window->x, window->y, window->width, window->height, photo))
                    return false;
                const std::vector<Word> words = wordsOnPhoto(*window, photo);
                seen = joined(words);
                rows.clear();
                for (const auto& [project, server] : servers) {
                    const Word* name = findWord(words, project.substr(0, project.find('-')));
                    const bool listed = std::ranges::find(projects, project) != projects.end();
                    if (listed != (name != nullptr)) return false;
                    if (!name) continue;
                    // A row starts 12 px in from the panel's edge and draws its background from there;
                    // its text starts 8 px further in.
                    const int y = name->y - window->y;
                    rows[project] = {name->y, pixelAt(photo, 16, y) != pixelAt(photo, 5, y)};
                }
                return pass(rows);
            },
            30s);
        if (!shown) std::cerr << "the screen read: " << seen << "\n";
        return shown ? std::optional(rows) : std::nullopt;
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
               showsPorts(read, session.server("web").port, session.server("api").port);
    });
    ASSERT_TRUE(words) << session.log();
    EXPECT_FALSE(app_test::screenshot("panel-tray", panel.x, panel.y, panel.width, panel.height).empty());

    // The port typed into the filter field leaves that row alone.
    const Word* field = findWord(*words, "Filter");
    ASSERT_TRUE(field) << joined(*words);
    session.desktop.click(field->x, field->y);
    session.desktop.xdotool({"type", std::to_string(session.server("api").port)});
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
    const std::string address = "http://localhost:" + std::to_string(session.server("api").port);
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
    ChildProcess& first = *session.server(webFirst ? "web" : "api").process;
    ChildProcess& second = *session.server(webFirst ? "api" : "web").process;

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

// The same keys in the panel and in the gear menu open over it: Ctrl+, closes them and brings up
// the one settings window; Ctrl+Q with the gear menu open ends the program with status 0.
TEST(PanelEndToEnd, CtrlCommaAndCtrlQInThePanelAndItsGearMenu) {
    PanelSession session;
    DesktopSession& desktop = session.desktop;
    std::vector<app_test::WindowInfo> settings;
    session.open();
    desktop.xdotool({"key", "ctrl+comma"});
    ASSERT_TRUE(waitUntil(
        [&] {
            return (settings = desktop.windows("--name", "Settings")).size() == 1 &&
                   desktop.focusedWindow() == settings[0].id && !session.panel();
        },
        10s))
        << session.log();

    // Opened again with the hot key: a second click on the tray icon this soon would be a double
    // click, which opens nothing. The gear sits at the header's right end.
    const auto gearMenu = [&]() -> std::optional<app_test::WindowInfo> {
        desktop.xdotool({"key", "super+alt+p"});
        std::optional<app_test::WindowInfo> panel;
        if (!waitUntil([&] { return (panel = session.panel()).has_value(); }, 10s)) return std::nullopt;
        return session.openMenu(panel->x + panel->width - 12 - 13, panel->y + 12 + 13);
    };
    const auto isShown = [&](const app_test::WindowInfo& window) {
        return std::ranges::any_of(desktop.windows("--classname", "vellumark"),
                                   [&](const app_test::WindowInfo& shown) { return shown.id == window.id; });
    };
    const auto menu = gearMenu();
    ASSERT_TRUE(menu) << session.log();
    desktop.xdotool({"key", "ctrl+comma"});
    ASSERT_TRUE(waitUntil([&] { return !isShown(*menu) && !session.panel(); }, 10s)) << session.log();
    EXPECT_EQ(desktop.windows("--name", "Settings").size(), 1u);
    EXPECT_EQ(desktop.focusedWindow(), settings[0].id);

    ASSERT_TRUE(gearMenu()) << session.log();
    desktop.xdotool({"key", "ctrl+q"});
    ASSERT_TRUE(session.app->waitForExit(10s)) << session.log();
    EXPECT_EQ(session.app->exitCode(), 0) << session.log();
}

// The application's accessibility tree as a screen reader reads it over AT-SPI (support/
// accessibility_tree.py), on the test's own session bus; null while the application is not on the
// accessibility bus yet.
nlohmann::json accessibilityTree(const app_test::SessionBus& bus) {
    const auto read = Platform::runProcess(
        {"/usr/bin/env",
         {"DBUS_SESSION_BUS_ADDRESS=" + bus.address(), "/usr/bin/python3", ACCESSIBILITY_TREE, "Vellumark"},
         std::chrono::seconds(30)});
    if (read.outcome != Platform::ProcessResult::Outcome::exited || read.exitStatus != 0) return nullptr;
    const nlohmann::json tree = nlohmann::json::parse(read.output, nullptr, false);
    return tree.is_discarded() ? nullptr : tree;
}

// Presses the showing control with that name through its accessible action, as a screen reader does.
bool pressAccessible(const app_test::SessionBus& bus, const std::string& name) {
    const auto pressed = Platform::runProcess({"/usr/bin/env",
                                               {"DBUS_SESSION_BUS_ADDRESS=" + bus.address(), "/usr/bin/python3",
                                                ACCESSIBILITY_TREE, "Vellumark", "--press", name},
                                               std::chrono::seconds(30)});
    return pressed.outcome == Platform::ProcessResult::Outcome::exited && pressed.exitStatus == 0;
}

// The application's window of that name (null when none shows).
const nlohmann::json* accessibleWindow(const nlohmann::json& tree, const std::string& name) {
    if (!tree.is_object() || !tree.contains("children")) return nullptr;
    for (const nlohmann::json& window : tree.at("children"))
        if (window.value("name", "") == name) return &window;
    return nullptr;
}

// How many objects below the node have the role (any role when empty) and the name.
int countAccessible(const nlohmann::json& node, const std::string& role, const std::string& name) {
    int found = (role.empty() || node.value("role", "") == role) && node.value("name", "") == name;
    for (const nlohmann::json& child : node.value("children", nlohmann::json::array()))
        found += countAccessible(child, role, name);
    return found;
}

// The middle of the first object below the node with the role and the name, on the screen.
std::optional<std::pair<int, int>> accessibleMiddle(const nlohmann::json& node, const std::string& role,
                                                    const std::string& name) {
    if (node.value("role", "") == role && node.value("name", "") == name && node.contains("extents")) {
        const auto& box = node.at("extents");
        return std::pair(box.at(0).get<int>() + box.at(2).get<int>() / 2,
                         box.at(1).get<int>() + box.at(3).get<int>() / 2);
    }
    for (const nlohmann::json& child : node.value("children", nlohmann::json::array()))
        if (const auto found = accessibleMiddle(child, role, name)) return found;
    return std::nullopt;
}

// The open panel, a pop-up, is one of the application's windows to a screen reader: its header,
// footer and rows with their labels; a hovered row's buttons; a stop confirmation opened and closed
// by the screen reader's own presses; the no-results state's button. Closed, it is gone.
TEST(PanelEndToEnd, TheOpenPanelReachesAScreenReaderWithItsLabels) {
    testing_support::TempDir busLogs;
    app_test::SessionBus bus(busLogs.path());
    PanelSession session(
        {.projects = {"web", "api"},
         .prefs = std::nullopt,
         .environment = {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}}});
    nlohmann::json tree;
    ASSERT_TRUE(waitUntil([&] { return !(tree = accessibilityTree(bus)).is_null(); }, 30s)) << session.log();
    EXPECT_FALSE(accessibleWindow(tree, "Vellumark")) << tree.dump();

    // Waits until the panel's window holds every one of the controls and none of the absent ones.
    const auto panelShows = [&](const std::vector<std::pair<std::string, std::string>>& controls,
                                const std::vector<std::string>& absent = {}) {
        const bool shown = waitUntil(
            [&] {
                tree = accessibilityTree(bus);
                const nlohmann::json* window = accessibleWindow(tree, "Vellumark");
                return window && window->value("role", "") == "frame" &&
                       std::ranges::all_of(controls,
                                           [&](const auto& control) {
                                               return countAccessible(*window, control.first, control.second) > 0;
                                           }) &&
                       std::ranges::none_of(absent, [&](const std::string& name) {
                           return countAccessible(*window, "push button", name) > 0;
                       });
            },
            30s);
        if (!shown) std::cerr << "the accessibility tree: " << tree.dump() << "\n";
        return shown;
    };
    const auto openPort = [](int port) {
        return std::pair<std::string, std::string>("push button",
                                                   "Open localhost port " + std::to_string(port) + " in browser");
    };

    const app_test::WindowInfo panel = session.open();
    ASSERT_TRUE(panelShows({{"push button", "Rescan ports"},
                            {"push button", "Settings"},
                            {"push button", "Stop all"},
                            openPort(session.server("web").port),
                            openPort(session.server("api").port),
                            {"text", "Filter servers…"},
                            {"push button", "Sort servers"},
                            {"push button", "Group by project"},
                            {"push button", "Flat port-sorted list"}}))
        << session.log();
    EXPECT_EQ(countAccessible(*accessibleWindow(tree, "Vellumark"), "push button", "Stop all"), 2);

    // The pointer on web's row (where the screen reader says its port is) brings its buttons; the
    // screen reader's press opens its stop confirmation, and its Cancel closes it again, stopping
    // nothing.
    const auto webPort = accessibleMiddle(tree, "push button", openPort(session.server("web").port).second);
    ASSERT_TRUE(webPort) << tree.dump();
    EXPECT_TRUE(panel.contains(webPort->first, webPort->second));
    session.desktop.xdotool({"mousemove", std::to_string(webPort->first + 100), std::to_string(webPort->second)});
    ASSERT_TRUE(panelShows({{"push button", "Copy localhost URL"},
                            {"push button", "Reveal web in the file manager"},
                            {"push button", "Stop this server"}}));
    ASSERT_TRUE(pressAccessible(bus, "Stop this server"));
    ASSERT_TRUE(panelShows({{"", "Stop this server?"},
                            {"push button", "Kill"},
                            {"push button", "Force kill (SIGKILL)"},
                            {"push button", "Cancel"}}));
    ASSERT_TRUE(pressAccessible(bus, "Cancel"));
    EXPECT_TRUE(panelShows({{"push button", "Stop this server"}}, {"Force kill (SIGKILL)"}));
    EXPECT_FALSE(session.server("web").process->hasExited());

    // A search that matches nothing: "Clear search" twice (the field's and the state's); pressed,
    // the rows are back.
    const auto field = session.waitForWords(panel, {"Filter"});
    ASSERT_TRUE(field);
    session.desktop.click(findWord(*field, "Filter")->x, findWord(*field, "Filter")->y);
    session.desktop.xdotool({"type", "zzz"});
    ASSERT_TRUE(panelShows({{"push button", "Clear search"}}, {openPort(session.server("web").port).second}));
    EXPECT_EQ(countAccessible(*accessibleWindow(tree, "Vellumark"), "push button", "Clear search"), 2);
    ASSERT_TRUE(pressAccessible(bus, "Clear search"));
    EXPECT_TRUE(panelShows({openPort(session.server("web").port), openPort(session.server("api").port)}));

    // Escape leaves the field, then closes the panel: its window is gone from the tree.
    session.desktop.xdotool({"key", "Escape"});
    session.desktop.xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !session.panel(); }, 10s)) << session.log();
    EXPECT_TRUE(waitUntil(
        [&] {
            tree = accessibilityTree(bus);
            return tree.is_object() && !accessibleWindow(tree, "Vellumark");
        },
        30s))
        << tree.dump();
    EXPECT_FALSE(session.app->hasExited()) << session.log();
}

// The projects of the rows the screen shows hovered.
std::vector<std::string> hoveredRows(const std::map<std::string, PanelSession::Row>& rows) {
    std::vector<std::string> hovered;
    for (const auto& [project, row] : rows)
        if (row.drawnHovered) hovered.push_back(project);
    return hovered;
}

// The row whose 30 px band holds the screen's line y, or an empty name.
std::string rowAt(const std::map<std::string, PanelSession::Row>& rows, int y) {
    for (const auto& [project, row] : rows)
        if (std::abs(row.y - y) < 15) return project;
    return {};
}

// Hover follows the real pointer: a row that comes to lie under a still pointer (the list back in
// place of "Clear search", rows shifting under a search) is the one hovered, never two at once, and
// no row stays hovered once the pointer has left the panel, nor after the panel closed under it and
// opened again. The flat list's height follows its rows down to one.
TEST(PanelEndToEnd, HoverFollowsThePointerAsRowsMoveAndTheFlatListFitsItsRows) {
    DisplayPrefs flatByName;
    flatByName.grouped = false;
    flatByName.sortMode = SortMode::project;
    // Sorted by name; a search for "x" leaves all but ash, one for "d" cedar and dogwood.
    const std::vector<std::string> all{"ash", "birch-x", "cedar-x", "dogwood-x", "elm-x"};
    PanelSession session({.projects = all, .prefs = flatByName, .environment = {}});
    const auto pointAt = [&](int x, int y) {
        session.desktop.xdotool({"mousemove", std::to_string(x), std::to_string(y)});
    };
    const auto noneHovered = [](const auto& rows) { return hoveredRows(rows).empty(); };
    const auto onlyUnder = [](int pointerY) {
        return [pointerY](const std::map<std::string, PanelSession::Row>& rows) {
            const std::string under = rowAt(rows, pointerY);
            return !under.empty() && hoveredRows(rows) == std::vector<std::string>{under};
        };
    };

    app_test::WindowInfo panel = session.open();
    ASSERT_TRUE(session.waitForRows(all, noneHovered)) << session.log();

    // "Clear search" brings the list back under the pointer: the row there is hovered, alone.
    const auto field = session.waitForWords(panel, {"Filter"});
    ASSERT_TRUE(field) << session.log();
    session.desktop.click(findWord(*field, "Filter")->x, findWord(*field, "Filter")->y);
    session.desktop.xdotool({"type", "zzz"});
    const auto noResults = session.waitForWords(panel, {"match", "Clear"});
    ASSERT_TRUE(noResults) << "no results for zzz";
    const Word clear = *findWord(*noResults, "Clear");
    session.desktop.click(clear.x, clear.y);
    auto rows = session.waitForRows(all, onlyUnder(clear.y));
    ASSERT_TRUE(rows) << "the row under the pointer, alone, is hovered";
    EXPECT_FALSE(app_test::screenshot("panel-hover", panel.x, panel.y, panel.width, panel.height).empty());

    // Out of the panel: no row is left hovered.
    pointAt(panel.x + panel.width / 2, panel.y + panel.height + 150);
    ASSERT_TRUE(session.waitForRows(all, noneHovered)) << "a row stayed hovered after the pointer left";

    // On birch's row, a search takes ash away: the rows shift up one place, and the one that comes
    // under the still pointer is the one hovered, birch no longer.
    const int pointerY = rows->at("birch-x").y;
    pointAt(panel.x + panel.width / 2, pointerY);
    ASSERT_TRUE(session.waitForRows(all, onlyUnder(pointerY)));
    session.desktop.xdotool({"type", "x"});
    const std::vector<std::string> withX(all.begin() + 1, all.end());
    rows = session.waitForRows(withX, onlyUnder(pointerY));
    ASSERT_TRUE(rows) << "only the row under the pointer is hovered after the shift";
    EXPECT_EQ(rowAt(*rows, pointerY), "cedar-x");
    EXPECT_FALSE(app_test::screenshot("panel-hover-shifted", panel.x, panel.y, panel.width, panel.height).empty());

    // Two rows, then one: the panel is one row shorter, with no band left over.
    session.desktop.xdotool({"key", "BackSpace"});
    session.desktop.xdotool({"type", "d"});
    ASSERT_TRUE(session.waitForRows({"cedar-x", "dogwood-x"}, [](const auto&) { return true; }));
    const int twoRows = session.panel().value_or(app_test::WindowInfo{}).height;
    session.desktop.xdotool({"type", "og"});
    rows = session.waitForRows({"dogwood-x"}, [](const auto&) { return true; });
    ASSERT_TRUE(rows);
    panel = session.panel().value_or(app_test::WindowInfo{});
    EXPECT_EQ(twoRows - panel.height, 30) << "one row's height";
    EXPECT_FALSE(app_test::screenshot("panel-flat-one-row", panel.x, panel.y, panel.width, panel.height).empty());

    // Closed with the pointer on the row (Escape leaves the field, the next closes the panel), then
    // opened again from the tray icon: nothing is hovered.
    const int lastRowY = rows->at("dogwood-x").y;
    pointAt(panel.x + panel.width / 2, lastRowY);
    ASSERT_TRUE(session.waitForRows({"dogwood-x"}, onlyUnder(lastRowY)));
    session.desktop.xdotool({"key", "Escape"});
    session.desktop.xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !session.panel(); }, 10s)) << session.log();
    session.open();
    EXPECT_TRUE(session.waitForRows({"dogwood-x"}, noneHovered)) << "the row closed under the pointer stayed hovered";
    EXPECT_FALSE(session.app->hasExited()) << session.log();
}

}  // namespace
