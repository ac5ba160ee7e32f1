// The recorder field as a person uses it, off screen: clicking into it, pressing keys, the alerts;
// and the widget and menu-item bindings that follow what it stores.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>

#include "GlobalShortcuts/Bindings.h"
#include "GlobalShortcuts/RecorderField.h"
#include "GlobalShortcuts/Texts.h"
#include "Platform/UserDefaults.h"
#include "support/Alerts.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"

namespace {

using namespace GlobalShortcuts;

const Shortcut optionCommandP(Key::p, ModifierFlags{ModifierFlags::option | ModifierFlags::command});

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::installMainQueueOnQt();
        name.emplace("recorderTest", optionCommandP);
        field =
            new RecorderField(*name, [this](const std::optional<Shortcut>& changed) { changes.push_back(changed); });
        field->setBeep([this] { ++beeps; });
        field->setMenusToSearch([this] { return QList<QMenu*>{&menu}; });
        menu.addAction(QStringLiteral("&Quit Vellumark"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        layout->addWidget(&other);
        other.setFocusPolicy(Qt::StrongFocus);
        activeStatus = Platform::Subscription(Notifications::recorderActiveStatusDidChange(),
                                              [this](const bool& active) { statuses.push_back(active); });
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.windowHandle(), key, modifiers);
    }
    bool startRecording() {
        QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, QPoint(10, field->height() / 2));
        return app_test::runUntil([&] { return field->isRecording(); });
    }
    std::optional<std::string> stored() const {
        return Platform::UserDefaults::standard().string("GlobalShortcuts_recorderTest");
    }

    testing_support::TempHome home;
    std::optional<Name> name;
    QWidget window;
    RecorderField* field = nullptr;
    QPushButton other{QStringLiteral("Other")};
    QMenu menu;
    int beeps = 0;
    std::vector<std::optional<Shortcut>> changes;
    std::vector<bool> statuses;
    Platform::Subscription activeStatus;
};

TEST_F(Recorder, ShowsTheStoredShortcutAndRecordsOnlyWhenClickedInto) {
    EXPECT_EQ(field->text(), QStringLiteral("⌥⌘P"));
    EXPECT_TRUE(field->clearAction()->isVisible());
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Record Shortcut"));
    EXPECT_EQ(field->sizeHint().width(), RecorderField::minimumWidth);
    EXPECT_GE(field->width(), RecorderField::minimumWidth);
    EXPECT_EQ(field->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    // The window came up with the field first in the Tab order: it let the next widget have the
    // focus and did not start recording.
    ASSERT_TRUE(app_test::runUntil([&] { return other.hasFocus() && field->focusPolicy() == Qt::StrongFocus; }));
    EXPECT_FALSE(field->isRecording());
    EXPECT_FALSE(isPaused());

    ASSERT_TRUE(startRecording());
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Press Shortcut"));
    EXPECT_TRUE(isPaused());
    press(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(stored(), R"({"carbonKeyCode":40,"carbonModifiers":6144})");
    EXPECT_EQ(field->text(), QStringLiteral("⌃⌥K"));
    EXPECT_FALSE(field->isRecording());
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{Shortcut(40, 6144)}));
    EXPECT_EQ(statuses, (std::vector<bool>{true, false}));

    // Another name's text shows as soon as it is stored elsewhere; a rename shows the new name's.
    setShortcut(optionCommandP, *name);
    EXPECT_EQ(field->text(), QStringLiteral("⌥⌘P"));
    field->setShortcutName(Name("recorderOther"));
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_FALSE(field->clearAction()->isVisible());
}

TEST_F(Recorder, KeysWithoutControlAltOrSuperBeepExceptFunctionKeys) {
    ASSERT_TRUE(startRecording());
    press(Qt::Key_P);
    press(Qt::Key_P, Qt::ShiftModifier);
    press(Qt::Key_Alt, Qt::AltModifier);  // a modifier alone waits for the rest, silently
    EXPECT_EQ(beeps, 2);
    EXPECT_TRUE(field->isRecording());
    EXPECT_EQ(stored(), optionCommandP.jsonText());

    press(Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(stored(), Shortcut(Key::f5, ModifierFlags{ModifierFlags::shift}).jsonText());
    EXPECT_EQ(field->text(), QStringLiteral("⇧F5"));
    ASSERT_TRUE(startRecording());
    press(Qt::Key_F12);
    EXPECT_EQ(stored(), R"({"carbonKeyCode":111,"carbonModifiers":0})");
    EXPECT_EQ(beeps, 2);
}

TEST_F(Recorder, EscapeKeepsTabMovesOnAndAClickOutsideEndsRecordingAndStillLands) {
    ASSERT_TRUE(startRecording());
    press(Qt::Key_Escape);
    EXPECT_FALSE(field->isRecording());
    EXPECT_EQ(stored(), optionCommandP.jsonText());
    EXPECT_TRUE(window.isVisible());

    ASSERT_TRUE(startRecording());
    press(Qt::Key_Tab);
    EXPECT_TRUE(other.hasFocus());
    EXPECT_FALSE(field->isRecording());

    int clicked = 0;
    QObject::connect(&other, &QPushButton::clicked, [&] { ++clicked; });
    ASSERT_TRUE(startRecording());
    QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, QPoint(field->width() + 2, 3));  // within 3 pixels
    EXPECT_TRUE(field->isRecording());
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_FALSE(field->isRecording());
    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(stored(), optionCommandP.jsonText());
    EXPECT_TRUE(changes.empty());
}

TEST_F(Recorder, DeleteOrTheClearButtonRemovesTheShortcutAndRecordingGoesOn) {
    ASSERT_TRUE(startRecording());
    press(Qt::Key_Backspace);
    EXPECT_EQ(Platform::UserDefaults::standard().boolean("GlobalShortcuts_recorderTest"), false);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_FALSE(field->clearAction()->isVisible());
    EXPECT_TRUE(field->isRecording());
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{std::nullopt}));

    press(Qt::Key_P, Qt::MetaModifier | Qt::AltModifier);
    EXPECT_EQ(stored(), optionCommandP.jsonText());
    ASSERT_TRUE(startRecording());
    field->clearAction()->trigger();
    EXPECT_EQ(Platform::UserDefaults::standard().boolean("GlobalShortcuts_recorderTest"), false);
    EXPECT_TRUE(field->isRecording());
    EXPECT_EQ(changes.size(), 3u);
}

TEST_F(Recorder, AShortcutOfAMenuItemIsRefusedInAnAlertNamingIt) {
    app_test::AlertAnswerer answerer(QStringLiteral("OK"));
    ASSERT_TRUE(startRecording());
    press(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, "This keyboard shortcut is already used by the menu item “Quit Vellumark”.");
    EXPECT_EQ(answerer.seen()[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(stored(), optionCommandP.jsonText());
    EXPECT_TRUE(changes.empty());
    ASSERT_TRUE(app_test::runUntil([&] { return field->isRecording(); })) << "recording goes on after the alert";
    press(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(stored(), Shortcut(Key::q, ModifierFlags{ModifierFlags::control | ModifierFlags::option}).jsonText());
}

TEST_F(Recorder, BoundMenuItemsAndWidgetShortcutsFollowTheStoredShortcut) {
    QAction item(QStringLiteral("Toggle"));
    setShortcut(item, std::optional<Name>(*name));
    EXPECT_EQ(item.shortcut(), QKeySequence(QStringLiteral("Meta+Alt+P")));
    QShortcut* viewShortcut = globalKeyboardShortcut(other, *name);
    EXPECT_EQ(viewShortcut->key(), QKeySequence(QStringLiteral("Meta+Alt+P")));

    ASSERT_TRUE(startRecording());
    EXPECT_TRUE(viewShortcut->key().isEmpty()) << "no widget shortcut while a recorder records";
    press(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(viewShortcut->key(), QKeySequence(QStringLiteral("Ctrl+Alt+K")));
    EXPECT_TRUE(app_test::runUntil([&] { return item.shortcut() == QKeySequence(QStringLiteral("Ctrl+Alt+K")); }));

    // Unbound, the item keeps no shortcut: a second item still bound has followed the change by then.
    QAction bound(QStringLiteral("Still bound"));
    setShortcut(bound, std::optional<Name>(*name));
    setShortcut(item, std::optional<Name>());
    EXPECT_TRUE(item.shortcut().isEmpty());
    setShortcut(Shortcut(Key::f5, ModifierFlags{}), *name);
    ASSERT_TRUE(app_test::runUntil([&] { return bound.shortcut() == QKeySequence(Qt::Key_F5); }));
    EXPECT_TRUE(item.shortcut().isEmpty()) << "unbound";
    setShortcut(item, std::optional<Shortcut>(optionCommandP));
    EXPECT_EQ(item.shortcut(), QKeySequence(QStringLiteral("Meta+Alt+P")));
}

}  // namespace
