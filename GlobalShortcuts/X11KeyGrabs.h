#pragma once
// Shortcuts as X11 key grabs on the root window of one X connection.
//
// - A Carbon key code becomes the X key code of the same key position (evdev code + 8); Command is
//   Mod4 (Super), Option Mod1 (Alt), Control and Shift themselves. Each shortcut is grabbed in four
//   variants, without and with Caps Lock and Num Lock (Mod2), so the locks do not matter.
// - A grab is a checked request: BadAccess means another client holds the combination. The
//   Function modifier has no X counterpart and is refused like a held combination; a key without an
//   X key code gives BadValue.
// - On the application's own connection (forApplication) key events of the grabs arrive through a
//   native event filter and are reported as a press (the shortcut) or a release (the key, whatever
//   modifiers are still down). XKB's detectable auto-repeat is switched on for the connection, so a
//   held key repeats presses but is released once.
//
// Main thread (the thread of Qt's event loop for the application's connection).

#include <QAbstractNativeEventFilter>

#include <functional>
#include <memory>
#include <optional>

#include <xcb/xcb.h>

#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts {

// The application's own X connection; null unless the application runs on the xcb platform.
xcb_connection_t* applicationXConnection();

class X11KeyGrabs final : public QAbstractNativeEventFilter {
public:
    static constexpr int granted = 0;
    static constexpr int badValue = 2;    // X's BadValue
    static constexpr int badAccess = 10;  // X's BadAccess

    // For the application's X connection, with its key events; null unless the application runs on
    // the xcb platform.
    static std::unique_ptr<X11KeyGrabs> forApplication();
    // Grabs on any connection (another client, in tests); no events are read.
    X11KeyGrabs(xcb_connection_t* connection, xcb_window_t root);
    ~X11KeyGrabs() override;
    X11KeyGrabs(const X11KeyGrabs&) = delete;
    X11KeyGrabs& operator=(const X11KeyGrabs&) = delete;

    // granted, or the X error code of the refused grab (nothing stays grabbed then).
    int grab(const Shortcut& shortcut);
    void ungrab(const Shortcut& shortcut);
    // A probe: grabs the combination and lets go at once. True when another client holds it.
    bool isHeldByAnotherClient(const Shortcut& shortcut);

    // Set by the owner; each says whether the event was one of its shortcuts (then it is consumed).
    std::function<bool(const Shortcut&)> onPress;
    std::function<bool(Key)> onRelease;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Combination {
        xcb_keycode_t keycode;
        std::uint16_t modifiers;
    };
    static std::optional<Combination> combination(const Shortcut& shortcut);
    void ungrabVariants(const Combination& combination, std::size_t count);

    xcb_connection_t* connection_;
    xcb_window_t root_;
    bool filtering_ = false;
};

}  // namespace GlobalShortcuts
