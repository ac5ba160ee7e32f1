#include "GlobalShortcuts/X11KeyGrabs.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <array>
#include <cstdlib>

// The XKB header names a member "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include "GlobalShortcuts/KeyCodes.h"

namespace GlobalShortcuts {

namespace {

constexpr std::uint16_t numLockMask = XCB_MOD_MASK_2;
constexpr std::array<std::uint16_t, 4> lockVariants{0, XCB_MOD_MASK_LOCK, numLockMask, XCB_MOD_MASK_LOCK | numLockMask};

struct ModifierBits {
    std::uint64_t flag;
    std::uint16_t x;
};
constexpr std::array<ModifierBits, 4> modifierBits{{
    {ModifierFlags::command, XCB_MOD_MASK_4},
    {ModifierFlags::option, XCB_MOD_MASK_1},
    {ModifierFlags::control, XCB_MOD_MASK_CONTROL},
    {ModifierFlags::shift, XCB_MOD_MASK_SHIFT},
}};

ModifierFlags flagsOfState(std::uint16_t state) {
    ModifierFlags flags;
    for (const ModifierBits& bits : modifierBits)
        if (state & bits.x) flags.rawValue |= bits.flag;
    return flags;
}

xcb_window_t defaultRoot(xcb_connection_t* connection) {
    int screenNumber = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        char* host = nullptr;
        int displayNumber = 0;
        if (xcb_parse_display(display, &host, &displayNumber, &screenNumber)) std::free(host);
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int index = 0; screens.rem > 0; xcb_screen_next(&screens), ++index)
        if (index == screenNumber) return screens.data->root;
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// Held keys repeat their presses but are released once. Without XKB they would be released with
// every repeat, and the shortcut's key-up would run again and again.
bool enableDetectableAutoRepeat(xcb_connection_t* connection) {
    xcb_xkb_use_extension_reply_t* use =
        xcb_xkb_use_extension_reply(connection, xcb_xkb_use_extension(connection, 1, 0), nullptr);
    const bool supported = use && use->supported;
    std::free(use);
    if (!supported) return false;
    const auto flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    xcb_xkb_per_client_flags_reply_t* reply = xcb_xkb_per_client_flags_reply(
        connection, xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0), nullptr);
    const bool on = reply && (reply->value & flag);
    std::free(reply);
    return on;
}

}  // namespace

xcb_connection_t* applicationXConnection() {
    auto* application = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return application ? application->connection() : nullptr;
}

std::unique_ptr<X11KeyGrabs> X11KeyGrabs::forApplication() {
    xcb_connection_t* connection = applicationXConnection();
    if (!connection) return nullptr;
    auto grabs = std::make_unique<X11KeyGrabs>(connection, defaultRoot(connection));
    enableDetectableAutoRepeat(connection);
    QCoreApplication::instance()->installNativeEventFilter(grabs.get());
    grabs->filtering_ = true;
    return grabs;
}

X11KeyGrabs::X11KeyGrabs(xcb_connection_t* connection, xcb_window_t root) : connection_(connection), root_(root) {}

X11KeyGrabs::~X11KeyGrabs() {
    if (filtering_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::optional<X11KeyGrabs::Combination> X11KeyGrabs::combination(const Shortcut& shortcut) {
    const auto evdev = KeyCodes::evdevCode(shortcut.key());
    if (!evdev) return std::nullopt;
    std::uint16_t modifiers = 0;
    const ModifierFlags flags = shortcut.modifiers();
    for (const ModifierBits& bits : modifierBits)
        if (flags.contains(bits.flag)) modifiers |= bits.x;
    return Combination{static_cast<xcb_keycode_t>(*evdev + KeyCodes::xKeycodeOffset), modifiers};
}

int X11KeyGrabs::grab(const Shortcut& shortcut) {
    if (shortcut.modifiers().contains(ModifierFlags::function)) return badAccess;
    const auto wanted = combination(shortcut);
    if (!wanted) return badValue;
    for (std::size_t variant = 0; variant < lockVariants.size(); ++variant) {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(connection_, 0, root_, wanted->modifiers | lockVariants[variant], wanted->keycode,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            const int code = error->error_code;
            std::free(error);
            ungrabVariants(*wanted, variant);
            return code;
        }
    }
    return granted;
}

void X11KeyGrabs::ungrab(const Shortcut& shortcut) {
    if (const auto wanted = combination(shortcut)) ungrabVariants(*wanted, lockVariants.size());
}

void X11KeyGrabs::ungrabVariants(const Combination& combination, std::size_t count) {
    for (std::size_t variant = 0; variant < count; ++variant)
        xcb_ungrab_key(connection_, combination.keycode, root_, combination.modifiers | lockVariants[variant]);
    // A round trip: once this returns, another client can have the combination.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

bool X11KeyGrabs::isHeldByAnotherClient(const Shortcut& shortcut) {
    if (shortcut.modifiers().contains(ModifierFlags::function)) return true;
    const auto wanted = combination(shortcut);
    if (!wanted) return false;
    bool held = false;
    for (const std::uint16_t lock : lockVariants) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            connection_, 0, root_, wanted->modifiers | lock, wanted->keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            held = held || error->error_code == badAccess;
            std::free(error);
        } else {
            ungrabVariants(Combination{wanted->keycode, static_cast<std::uint16_t>(wanted->modifiers | lock)}, 1);
        }
    }
    return held;
}

bool X11KeyGrabs::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !message) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7F;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
    // Press and release events share one layout.
    const auto* keyEvent = static_cast<const xcb_key_press_event_t*>(message);
    if (keyEvent->event != root_) return false;  // a key for one of the application's windows
    const auto key = KeyCodes::keyForEvdevCode(keyEvent->detail - KeyCodes::xKeycodeOffset);
    if (!key) return false;
    if (type == XCB_KEY_PRESS) return onPress && onPress(Shortcut(*key, flagsOfState(keyEvent->state)));
    return onRelease && onRelease(*key);
}

}  // namespace GlobalShortcuts
