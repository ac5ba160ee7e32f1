#include "GlobalShortcuts/KeyboardLayout.h"

#include <QString>

#include <memory>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "GlobalShortcuts/KeyCodes.h"
#include "GlobalShortcuts/NonCharacterKeys.h"
#include "GlobalShortcuts/X11KeyGrabs.h"

namespace GlobalShortcuts::KeyboardLayout {

namespace {

struct ContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
using Keymap = std::unique_ptr<xkb_keymap, KeymapDeleter>;

Keymap loadKeymap() {
    const std::unique_ptr<xkb_context, ContextDeleter> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context) return nullptr;
    if (xcb_connection_t* connection = applicationXConnection()) {
        if (xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                        XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
            const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
            if (device >= 0) {
                Keymap keymap(
                    xkb_x11_keymap_new_from_device(context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
                if (keymap) return keymap;
            }
        }
    }
    return Keymap(xkb_keymap_new_from_names(context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

xkb_keymap* keymap() {
    static const Keymap loaded = loadKeymap();
    return loaded.get();
}

// The character of the key's first shift level in one layout; 0 when there is none.
char32_t firstLevelCharacter(xkb_keymap* map, xkb_keycode_t keycode, xkb_layout_index_t layout) {
    const xkb_keysym_t* symbols = nullptr;
    if (xkb_keymap_key_get_syms_by_level(map, keycode, layout, 0, &symbols) != 1) return 0;
    return xkb_keysym_to_utf32(symbols[0]);
}

bool typesASCIILetters(xkb_keymap* map, xkb_layout_index_t layout) {
    const auto keycode = static_cast<xkb_keycode_t>(*KeyCodes::evdevCode(Key::a) + KeyCodes::xKeycodeOffset);
    const char32_t letter = firstLevelCharacter(map, keycode, layout);
    return letter >= U'a' && letter <= U'z';
}

}  // namespace

std::optional<std::string> character(Key key) {
    if (specialKey(key)) return std::nullopt;
    const auto code = KeyCodes::evdevCode(key);
    xkb_keymap* map = keymap();
    if (!code || !map) return std::nullopt;
    const auto keycode = static_cast<xkb_keycode_t>(*code + KeyCodes::xKeycodeOffset);

    xkb_layout_index_t layout = 0;
    for (xkb_layout_index_t candidate = 0; candidate < xkb_keymap_num_layouts(map); ++candidate) {
        if (typesASCIILetters(map, candidate)) {
            layout = candidate;
            break;
        }
    }
    const char32_t typed = firstLevelCharacter(map, keycode, layout);
    if (typed < 0x20 || typed == 0x7F || (typed >= 0xD800 && typed <= 0xDFFF) || typed > 0x10FFFF) return std::nullopt;
    return QString::fromUcs4(&typed, 1).toStdString();
}

}  // namespace GlobalShortcuts::KeyboardLayout
