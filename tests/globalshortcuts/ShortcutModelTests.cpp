// The shortcut model: its stored JSON both ways, the stored entries of names, the text shown for a
// shortcut, shortcuts read from key events, and the key sequences of menu items. Off screen, so the
// default keyboard layout (US) names the keys.

#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "GlobalShortcuts/GlobalShortcuts.h"
#include "GlobalShortcuts/KeyEvents.h"
#include "GlobalShortcuts/Notifications.h"
#include "Platform/UserDefaults.h"
#include "support/TempHome.h"

namespace {

using namespace GlobalShortcuts;

constexpr ModifierFlags optionCommand{ModifierFlags::option | ModifierFlags::command};
const Shortcut optionCommandP(Key::p, optionCommand);

Platform::UserDefaults& defaults() { return Platform::UserDefaults::standard(); }

TEST(ShortcutJSON, ReadsAndWritesTheStoredTextAndDropsStrayModifierBits) {
    EXPECT_EQ(optionCommandP.jsonText(), R"({"carbonKeyCode":35,"carbonModifiers":2304})");
    EXPECT_EQ(Shortcut::fromJSONText(R"({"carbonModifiers":2304,"carbonKeyCode":35})"), optionCommandP);
    EXPECT_EQ(Shortcut::fromJSONText(R"( { "carbonKeyCode": 35, "carbonModifiers": 2304, "extra": true } )"),
              optionCommandP);

    // Caps Lock (1024) and a right-hand bit (8192) would keep the stored shortcut from ever matching.
    EXPECT_EQ(Shortcut(35, 2304 + 1024).carbonModifiers, 2304);
    EXPECT_EQ(Shortcut::fromJSONText(R"({"carbonKeyCode":35,"carbonModifiers":3328})"), optionCommandP);
    EXPECT_EQ(Shortcut::fromJSONText(R"({"carbonKeyCode":35,"carbonModifiers":10496})"), optionCommandP);
    EXPECT_EQ(Shortcut(Key::f5, ModifierFlags{ModifierFlags::function}).carbonModifiers, 131072);

    for (const char* bad :
         {"", "false", "[]", "{", R"({"carbonKeyCode":35})", R"({"carbonModifiers":2304})",
          R"({"carbonKeyCode":"35","carbonModifiers":2304})", R"({"carbonKeyCode":35.5,"carbonModifiers":2304})",
          R"({"carbonKeyCode":-1,"carbonModifiers":2304})", R"({"carbonKeyCode":4294967296,"carbonModifiers":2304})"}) {
        EXPECT_FALSE(Shortcut::fromJSONText(bad)) << bad;
    }
    EXPECT_EQ(Shortcut::fromJSONText(R"({"carbonKeyCode":4294967295,"carbonModifiers":0})")->carbonKeyCode, 4294967295);
}

TEST(StoredShortcuts, TheDefaultIsStoredOnceRemovedAsFalseAndEveryChangeIsPosted) {
    testing_support::TempHome home;
    std::vector<std::string> posted;
    const Platform::Subscription changes(Notifications::shortcutByNameDidChange(),
                                         [&](const Name& name) { posted.push_back(name.rawValue); });

    const Name withDefault("modelDefault", optionCommandP);
    EXPECT_EQ(defaults().string("GlobalShortcuts_modelDefault"), R"({"carbonKeyCode":35,"carbonModifiers":2304})");
    EXPECT_EQ(getShortcut(withDefault), optionCommandP);
    EXPECT_EQ(posted, std::vector<std::string>{"modelDefault"});

    // Removing a shortcut whose name has a default stores false, which a later Name keeps.
    setShortcut(std::nullopt, withDefault);
    EXPECT_EQ(defaults().boolean("GlobalShortcuts_modelDefault"), false);
    EXPECT_FALSE(Name("modelDefault", Shortcut(Key::q, optionCommand)).shortcut());
    setShortcut(std::nullopt, withDefault);
    EXPECT_EQ(posted.size(), 2u) << "nothing stored: nothing happens";
    reset({withDefault});
    EXPECT_EQ(getShortcut(withDefault), optionCommandP);

    // A name without a default loses its entry; names compare by text alone.
    const Name plain("modelPlain");
    EXPECT_EQ(setShortcut(Shortcut(Key::k, ModifierFlags{ModifierFlags::control}), plain), StoreResult::stored);
    EXPECT_EQ(getShortcut(Name("modelPlain", optionCommandP)), Shortcut(Key::k, ModifierFlags{ModifierFlags::control}));
    setShortcut(std::nullopt, plain);
    EXPECT_FALSE(defaults().object("GlobalShortcuts_modelPlain"));
    EXPECT_EQ(posted,
              (std::vector<std::string>{"modelDefault", "modelDefault", "modelDefault", "modelPlain", "modelPlain"}));

    // Values that are not the JSON text read as no shortcut.
    for (const Platform::UserDefaults::Value& value : std::vector<Platform::UserDefaults::Value>{
             std::int64_t{35}, std::string("not json"), Platform::UserDefaults::Data{'{', '}'}}) {
        defaults().set("GlobalShortcuts_modelPlain", value);
        EXPECT_FALSE(getShortcut(plain));
    }

    // resetAll: every stored name back to no shortcut (these names carry no default).
    setShortcut(optionCommandP, plain);
    resetAll();
    EXPECT_FALSE(defaults().object("GlobalShortcuts_modelPlain"));
    EXPECT_FALSE(defaults().object("GlobalShortcuts_modelDefault"));
}

TEST(ShortcutText, ModifierGlyphsInFixedOrderThenTheKeyUnderTheLayout) {
    EXPECT_EQ(optionCommandP.presentableDescription(), "⌥⌘P");
    const ModifierFlags all{ModifierFlags::command | ModifierFlags::shift | ModifierFlags::control};
    EXPECT_EQ(Shortcut(Key::s, all).presentableDescription(), "⌃⇧⌘S");
    EXPECT_EQ(Shortcut(Key::f5, ModifierFlags{}).presentableDescription(), "F5");
    EXPECT_EQ(Shortcut(Key::space, ModifierFlags{ModifierFlags::control}).presentableDescription(), "⌃Space");
    EXPECT_EQ(Shortcut(Key::keypad5, ModifierFlags{ModifierFlags::option}).presentableDescription(), "⌥5\u20E3");
    EXPECT_EQ(Shortcut(Key::help, ModifierFlags{}).presentableDescription(), "?\u20DD");
    EXPECT_EQ(
        Shortcut(Key::slash, ModifierFlags{ModifierFlags::function | ModifierFlags::command}).presentableDescription(),
        "⌘🌐︎/");
    // Keys the layout has no character for.
    EXPECT_EQ(Shortcut(Key::volumeUp, optionCommand).presentableDescription(), "⌥⌘\uFFFD");
    EXPECT_EQ(Shortcut(999, 256).presentableDescription(), "⌘\uFFFD");
}

TEST(ShortcutOfEvent, KeysAndMasksFromKeyEventsByHardwareKeyOrByQtKey) {
    const QKeyEvent superAltP(QEvent::KeyPress, Qt::Key_P, Qt::MetaModifier | Qt::AltModifier);
    EXPECT_EQ(shortcutOfEvent(superAltP), optionCommandP);
    const QKeyEvent released(QEvent::KeyRelease, Qt::Key_P, Qt::MetaModifier | Qt::AltModifier);
    EXPECT_EQ(shortcutOfEvent(released), optionCommandP);
    const QKeyEvent everything(QEvent::KeyPress, Qt::Key_Left,
                               Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier);
    EXPECT_EQ(shortcutOfEvent(everything), Shortcut(123, 4096 + 512));
    // Shifted symbols are their keys; with the keypad flag digits are keypad keys.
    const QKeyEvent exclam(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(shortcutOfEvent(exclam),
              Shortcut(Key::one, ModifierFlags{ModifierFlags::shift | ModifierFlags::control}));
    const QKeyEvent keypad(QEvent::KeyPress, Qt::Key_5, Qt::KeypadModifier | Qt::AltModifier);
    EXPECT_EQ(shortcutOfEvent(keypad), Shortcut(Key::keypad5, ModifierFlags{ModifierFlags::option}));
    // The hardware key wins over what the layout typed: X key code 33 is the P position (a "r" on Dvorak).
    const QKeyEvent dvorak(QEvent::KeyPress, Qt::Key_R, Qt::ControlModifier, 33, 0, 0);
    EXPECT_EQ(shortcutOfEvent(dvorak), Shortcut(Key::p, ModifierFlags{ModifierFlags::control}));

    const QKeyEvent unknown(QEvent::KeyPress, Qt::Key_LaunchMail, Qt::ControlModifier);
    EXPECT_FALSE(shortcutOfEvent(unknown));
    const QMouseEvent click(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                            Qt::MetaModifier);
    EXPECT_FALSE(shortcutOfEvent(click));
}

TEST(MenuKeyEquivalents, TheFirstMenuItemWithTheShortcutIsFoundInSubmenusToo) {
    QMenu gear, more;
    gear.addAction(QStringLiteral("Settings\u2026"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    QAction* save = more.addAction(QStringLiteral("Save &As"));
    save->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    QAction* quit = more.addAction(QStringLiteral("&Quit Vellumark && Co"));
    quit->setShortcuts({QKeySequence(QStringLiteral("Ctrl+W")), QKeySequence(QStringLiteral("Ctrl+Q"))});
    gear.addMenu(&more);

    const ModifierFlags control{ModifierFlags::control};
    EXPECT_EQ(menuItemWithMatchingShortcut(Shortcut(Key::q, control), {&gear}), quit);
    EXPECT_EQ(menuItemTitle(*quit), QStringLiteral("Quit Vellumark & Co"));
    EXPECT_EQ(menuItemWithMatchingShortcut(
                  Shortcut(Key::s, ModifierFlags{ModifierFlags::control | ModifierFlags::shift}), {nullptr, &gear}),
              save);
    EXPECT_FALSE(menuItemWithMatchingShortcut(Shortcut(Key::s, control), {&gear})) << "modifiers must match exactly";
    EXPECT_FALSE(menuItemWithMatchingShortcut(Shortcut(Key::q, ModifierFlags{ModifierFlags::command}), {&gear}));

    EXPECT_EQ(keySequence(optionCommandP), QKeySequence(QStringLiteral("Meta+Alt+P")));
    EXPECT_EQ(keySequence(Shortcut(Key::f12, ModifierFlags{})), QKeySequence(Qt::Key_F12));
    EXPECT_FALSE(keySequence(Shortcut(Key::keypad1, control)));
    EXPECT_FALSE(keySequence(Shortcut(Key::p, ModifierFlags{ModifierFlags::function})));
}

}  // namespace
