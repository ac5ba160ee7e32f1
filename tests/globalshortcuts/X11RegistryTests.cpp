// The registry against a real X server: grabs pressed with xdotool, a second client holding
// combinations, and the recorder recording real keys. (A shortcut pressed while a pop-up holds the
// keyboard: the end-to-end hot-key test, whose panel is one.)

#include <gtest/gtest.h>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>

#include <xcb/xcb.h>

#include <filesystem>

#include "GlobalShortcuts/CarbonGlobalShortcuts.h"
#include "GlobalShortcuts/GlobalShortcuts.h"
#include "GlobalShortcuts/KeyCodes.h"
#include "GlobalShortcuts/Notifications.h"
#include "GlobalShortcuts/RecorderField.h"
#include "GlobalShortcuts/X11KeyGrabs.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Platform/UserPaths.h"
#include "globalshortcuts/support/KeyTarget.h"
#include "support/Alerts.h"
#include "support/DesktopSession.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"

namespace {

using namespace GlobalShortcuts;
using app_test::runUntil;

const Shortcut superAltP(Key::p, ModifierFlags{ModifierFlags::option | ModifierFlags::command});
const Shortcut controlAltJ(Key::j, ModifierFlags{ModifierFlags::control | ModifierFlags::option});
const Shortcut controlAltK(Key::k, ModifierFlags{ModifierFlags::control | ModifierFlags::option});

const auto xdotool = app_test::DesktopSession::xdotool;

// Another X client, as a desktop holding its own shortcuts would be.
class OtherClient {
public:
    OtherClient() : connection_(xcb_connect(nullptr, nullptr)) {
        grabs_.emplace(connection_, xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root);
    }
    ~OtherClient() {
        grabs_.reset();
        xcb_disconnect(connection_);
    }
    X11KeyGrabs& grabs() { return *grabs_; }
    // Whether the combination is free: a grab of it is granted (and let go again).
    bool canGrab(const Shortcut& shortcut) {
        if (grabs_->grab(shortcut) != X11KeyGrabs::granted) return false;
        grabs_->ungrab(shortcut);
        return true;
    }

private:
    xcb_connection_t* connection_;
    std::optional<X11KeyGrabs> grabs_;
};

using shortcut_test::KeyTarget;

// Counts the presses of one key that the X server sends the application, repeats included, while it
// lives. Installed after the registry's filter, it sees each event first.
class KeyPressCounter final : public QAbstractNativeEventFilter {
public:
    explicit KeyPressCounter(Key key) : keycode_(*KeyCodes::evdevCode(key) + KeyCodes::xKeycodeOffset) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~KeyPressCounter() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_key_press_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7F) == XCB_KEY_PRESS &&
            event->detail == keycode_)
            ++count;
        return false;
    }
    int count = 0;

private:
    int keycode_;
};

class X11Registry : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::installMainQueueOnQt();
        ASSERT_TRUE(CarbonGlobalShortcuts::isAvailable());
    }
    void TearDown() override { removeAllHandlers(); }

    // Counts the name's key-downs and key-ups.
    void count(const Name& name) {
        onKeyDown(name, [this] { ++downs; });
        onKeyUp(name, [this] { ++ups; });
    }

    testing_support::TempHome home;
    int downs = 0, ups = 0;
};

TEST_F(X11Registry, APressRunsKeyDownThenOnReleaseKeyUpAndAHeldKeyIsReleasedOnce) {
    const Name name("x11Press", superAltP);
    count(name);
    EXPECT_TRUE(isEnabled(name));
    xdotool({"keydown", "super+alt+p"});
    ASSERT_TRUE(runUntil([&] { return downs == 1; }));
    EXPECT_EQ(ups, 0) << "nothing on the press";
    xdotool({"keyup", "p"});
    ASSERT_TRUE(runUntil([&] { return ups == 1; }));
    xdotool({"keyup", "alt", "super"});

    // Held until the server repeats the key: one press, one release.
    KeyPressCounter pressesOfP(Key::p);
    xdotool({"keydown", "super+alt+p"});
    ASSERT_TRUE(runUntil([&] { return downs == 2; }));
    ASSERT_TRUE(runUntil([&] { return pressesOfP.count >= 3; })) << "the key repeats";
    xdotool({"keyup", "super+alt+p"});
    ASSERT_TRUE(runUntil([&] { return ups == 2; }));
    xdotool({"key", "super+alt+p"});
    ASSERT_TRUE(runUntil([&] { return ups == 3; }));
    EXPECT_EQ(downs, 3);
}

TEST_F(X11Registry, ACombinationAnotherClientHoldsIsReportedAndNotRegistered) {
    OtherClient desktop;
    ASSERT_EQ(desktop.grabs().grab(controlAltJ), X11KeyGrabs::granted);
    EXPECT_TRUE(CarbonGlobalShortcuts::isTakenBySystem(controlAltJ));
    EXPECT_FALSE(CarbonGlobalShortcuts::isTakenBySystem(controlAltK));
    EXPECT_TRUE(desktop.canGrab(controlAltK)) << "the probe let go of what it got";

    // The application's own combination is not the system's. (Setting one the other client holds
    // keeps the old one: X11Recorder's "Use Anyway".)
    const Name name("x11Taken", superAltP);
    count(name);
    EXPECT_FALSE(CarbonGlobalShortcuts::isTakenBySystem(superAltP));

    // A default that another client holds is stored but not registered, and tried again later.
    testing::internal::CaptureStdout();
    const Name held("x11HeldDefault", controlAltJ);
    onKeyUp(held, [] {});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error registering hotkey ⌃⌥J: 10\nError registering hotkey ⌃⌥J: 10\n");
    EXPECT_EQ(getShortcut(held), controlAltJ);
    EXPECT_FALSE(isEnabled(held));
    desktop.grabs().ungrab(controlAltJ);
    enable({held});
    EXPECT_TRUE(isEnabled(held));
    EXPECT_FALSE(desktop.canGrab(controlAltJ));
}

TEST_F(X11Registry, RemovedChangedOrNoLongerStreamedShortcutsAreLetGo) {
    OtherClient desktop;
    const Name name("x11Removed", superAltP);
    count(name);
    EXPECT_FALSE(desktop.canGrab(superAltP));
    EXPECT_EQ(setShortcut(controlAltK, name), StoreResult::stored);
    EXPECT_TRUE(desktop.canGrab(superAltP)) << "the old combination is let go";
    EXPECT_FALSE(desktop.canGrab(controlAltK));
    setShortcut(std::nullopt, name);
    EXPECT_TRUE(desktop.canGrab(controlAltK));
    EXPECT_FALSE(isEnabled(name));

    const Name streamed("x11Streamed");
    setShortcut(controlAltJ, streamed);
    removeHandler(streamed);
    EXPECT_TRUE(desktop.canGrab(controlAltJ));
    std::vector<EventType> seen;
    EventStream stream = events(streamed, [&](EventType type) { seen.push_back(type); });
    EventStream second = events(EventType::keyUp, streamed, [&] { seen.push_back(EventType::keyUp); });
    EXPECT_FALSE(desktop.canGrab(controlAltJ));
    xdotool({"key", "ctrl+alt+j"});
    ASSERT_TRUE(runUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<EventType>{EventType::keyDown, EventType::keyUp, EventType::keyUp}));
    stream.reset();
    EXPECT_FALSE(desktop.canGrab(controlAltJ)) << "one stream is left";
    second.reset();
    EXPECT_TRUE(desktop.canGrab(controlAltJ)) << "the last stream ended";

    // Two names on one combination: dropping one's actions leaves the other's grab and actions.
    const Name kept("x11SharedKept"), dropped("x11SharedDropped");
    setShortcut(controlAltJ, kept);
    setShortcut(controlAltJ, dropped);
    int keptDowns = 0;
    onKeyDown(kept, [&] { ++keptDowns; });
    onKeyUp(dropped, [] {});
    removeHandler(dropped);
    EXPECT_FALSE(desktop.canGrab(controlAltJ)) << "the other name still wants it";
    xdotool({"key", "ctrl+alt+j"});
    ASSERT_TRUE(runUntil([&] { return keptDowns == 1; }));
    removeHandler(kept);
    EXPECT_TRUE(desktop.canGrab(controlAltJ)) << "nobody wants it any more";

    // Disabled: nothing grabbed; enabled again: grabbed again.
    const Name toggled("x11Toggled", controlAltK);
    count(toggled);
    setEnabled(false);
    EXPECT_TRUE(desktop.canGrab(controlAltK));
    EXPECT_FALSE(isEnabled(toggled));
    setEnabled(true);
    EXPECT_FALSE(desktop.canGrab(controlAltK));
}

TEST_F(X11Registry, AShortcutThatCannotBeSavedLeavesTheOldOneRegistered) {
    OtherClient desktop;
    const Name name("x11Unsaved");
    ASSERT_EQ(setShortcut(controlAltJ, name), StoreResult::stored);
    // A folder where the settings' lock file belongs: they still read, but nothing can be written.
    const std::filesystem::path lock = Platform::configHome() / "vellumark/io.kestrow.v3lk.plist.lock";
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    EXPECT_EQ(setShortcut(controlAltK, name), StoreResult::notSaved);
    EXPECT_TRUE(desktop.canGrab(controlAltK)) << "the new combination is not kept";
    EXPECT_FALSE(desktop.canGrab(controlAltJ)) << "the old one stays registered";
    EXPECT_EQ(setShortcut(std::nullopt, name), StoreResult::notSaved);
    EXPECT_FALSE(desktop.canGrab(controlAltJ));
    EXPECT_EQ(getShortcut(name), controlAltJ);
    std::filesystem::remove(lock);
}

// A settings file edited by hand, or written by an older version: a letter without modifiers would
// be grabbed for the whole desktop, so it is not grabbed at all, by the recorder's own rule.
TEST_F(X11Registry, AStoredShortcutTheRecorderWouldRefuseIsNeitherGrabbedNorStored) {
    OtherClient desktop;
    const Shortcut bareA(Key::a, ModifierFlags{}), shiftA(Key::a, ModifierFlags{ModifierFlags::shift});
    const Shortcut functionA(Key::a, ModifierFlags{ModifierFlags::function}), bareF5(Key::f5, ModifierFlags{});
    ASSERT_TRUE(Platform::UserDefaults::standard().set("GlobalShortcuts_x11Bare",
                                                       std::string(R"({"carbonKeyCode":0,"carbonModifiers":0})")));
    Platform::LogCapture log;
    const Name bare("x11Bare", superAltP);
    count(bare);
    EXPECT_EQ(getShortcut(bare), bareA) << "what is stored stays";
    EXPECT_FALSE(isEnabled(bare));
    EXPECT_TRUE(desktop.canGrab(bareA)) << "the plain key still reaches every program";
    EXPECT_TRUE(
        log.contains("Vellumark: the shortcut A is not registered: without Control, Alt or Super only F1 "
                     "to F20 can be global shortcuts"))
        << testing::PrintToString(log.lines());

    EXPECT_EQ(setShortcut(shiftA, bare), StoreResult::refused);
    EXPECT_EQ(setShortcut(functionA, bare), StoreResult::refused);
    EXPECT_EQ(getShortcut(bare), bareA);
    EXPECT_TRUE(desktop.canGrab(shiftA));
    EXPECT_EQ(setShortcut(bareF5, bare), StoreResult::stored) << "a function key alone is fine";
    EXPECT_FALSE(desktop.canGrab(bareF5));
    EXPECT_TRUE(isEnabled(bare));
}

class X11Recorder : public X11Registry {
protected:
    void SetUp() override {
        X11Registry::SetUp();
        name.emplace("x11Recorder", superAltP);
        count(*name);
        field = new RecorderField(*name);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        window.setGeometry(100, 100, 300, 120);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void clickIntoField() {
        const QPoint at = field->mapToGlobal(QPoint(10, field->height() / 2));
        xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "1"});
    }
    std::optional<std::string> stored() const {
        return Platform::UserDefaults::standard().string("GlobalShortcuts_x11Recorder");
    }

    std::optional<Name> name;
    KeyTarget window;
    RecorderField* field = nullptr;
};

// The application lets go of its grabs while the field records, so the shortcut set now reaches
// the field like any other: pressed, it is stored again and recording ends, with no action run.
// The grabs come back however recording ends.
TEST_F(X11Recorder, RecordingLetsGoOfTheGrabsSoTheShortcutSetNowIsRecordedAgain) {
    OtherClient desktop;
    int stores = 0;
    const Platform::Subscription changes(Notifications::shortcutByNameDidChange(), [&](const Name&) { ++stores; });
    clickIntoField();
    ASSERT_TRUE(runUntil([&] { return field->isRecording(); }));
    EXPECT_TRUE(desktop.canGrab(superAltP)) << "let go of while recording";
    xdotool({"key", "super+alt+p"});
    ASSERT_TRUE(runUntil([&] { return !field->isRecording(); }));
    EXPECT_EQ(stores, 1);
    EXPECT_EQ(stored(), superAltP.jsonText());
    EXPECT_EQ(field->text(), QStringLiteral("⌥⌘P"));
    EXPECT_FALSE(desktop.canGrab(superAltP)) << "held again";
    xdotool({"key", "super+alt+p"});
    ASSERT_TRUE(runUntil([&] { return ups == 1; }));
    EXPECT_EQ(downs, 1) << "only the press after recording ran the actions";

    // Escape, and the window going away, end recording with the grab back too.
    for (const bool closeWindow : {false, true}) {
        clickIntoField();
        ASSERT_TRUE(runUntil([&] { return field->isRecording(); }));
        EXPECT_TRUE(desktop.canGrab(superAltP));
        if (closeWindow) window.hide();
        else xdotool({"key", "Escape"});
        ASSERT_TRUE(runUntil([&] { return !field->isRecording(); }));
        EXPECT_FALSE(desktop.canGrab(superAltP)) << (closeWindow ? "closed" : "Escape");
    }
}

TEST_F(X11Recorder, TheRecordedShortcutReplacesTheOldAtOnce) {
    clickIntoField();
    ASSERT_TRUE(runUntil([&] { return field->isRecording(); }));
    xdotool({"key", "ctrl+alt+k"});
    ASSERT_TRUE(runUntil([&] { return stored() == controlAltK.jsonText(); }));
    EXPECT_EQ(ups + downs, 0) << "recording ran nothing";

    xdotool({"key", "super+alt+p"});
    xdotool({"key", "ctrl+alt+k"});
    xdotool({"key", "x"});
    ASSERT_TRUE(runUntil([&] { return window.keys.size() == 2; }));
    EXPECT_EQ(window.keys, (std::vector<int>{Qt::Key_P, Qt::Key_X})) << "the old combination is an ordinary key again";
    EXPECT_EQ(ups, 1) << "the new combination runs the action";
}

TEST_F(X11Recorder, AShortcutAnotherProgramHoldsIsRefusedAndForcingItKeepsTheOld) {
    OtherClient desktop;
    ASSERT_EQ(desktop.grabs().grab(controlAltJ), X11KeyGrabs::granted);
    app_test::AlertAnswerer answerer(QStringLiteral("OK"));
    clickIntoField();
    ASSERT_TRUE(runUntil([&] { return field->isRecording(); }));
    // The other program gets the real key; the field is shown it as its window would be.
    QTest::keyClick(window.windowHandle(), Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, "This keyboard shortcut is already used by the system.");
    EXPECT_EQ(answerer.seen()[0].informativeText,
              "Most system-wide shortcuts can be changed in the keyboard settings of your desktop.");
    EXPECT_EQ(answerer.seen()[0].buttons, (std::vector<std::string>{"OK", "Use Anyway"}));
    EXPECT_EQ(stored(), superAltP.jsonText());
    ASSERT_TRUE(runUntil([&] { return field->isRecording(); }));

    answerer.setButton(QStringLiteral("Use Anyway"));
    testing::internal::CaptureStdout();
    QTest::keyClick(window.windowHandle(), Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error registering hotkey ⌃⌥J: 10\n");
    ASSERT_EQ(answerer.seen().size(), 3u);
    EXPECT_EQ(answerer.seen()[2].text,
              "The keyboard shortcut ⌃⌥J could not be registered: another program holds it. "
              "The previous shortcut stays in use.");
    EXPECT_EQ(stored(), superAltP.jsonText());
    EXPECT_EQ(field->text(), QStringLiteral("⌥⌘P"));
    EXPECT_TRUE(isEnabled(*name));
    // Recording goes on after the alert; once it ends, the old combination is held again.
    ASSERT_TRUE(runUntil([&] { return field->isRecording(); }));
    QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
    ASSERT_FALSE(field->isRecording());
    EXPECT_FALSE(desktop.canGrab(superAltP));
}

}  // namespace
