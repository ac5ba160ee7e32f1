#include "GlobalShortcuts/NonCharacterKeys.h"

#include <QString>
#include <Qt>

#include <algorithm>
#include <array>

#include "GlobalShortcuts/Texts.h"

namespace GlobalShortcuts {

namespace {

struct SpecialKeyEntry {
    Key key;
    SpecialKey special;
    const char* glyph;  // null: built in presentableDescription
    int qtKey;          // 0: none
};

const std::array<SpecialKeyEntry, 53> specialKeys{{
    {Key::return_, SpecialKey::return_, "\u21A9", Qt::Key_Return},
    {Key::delete_, SpecialKey::delete_, "\u232B", Qt::Key_Backspace},
    {Key::deleteForward, SpecialKey::deleteForward, "\u2326", Qt::Key_Delete},
    {Key::end, SpecialKey::end, "\u2198", Qt::Key_End},
    {Key::escape, SpecialKey::escape, "\u238B", Qt::Key_Escape},
    {Key::help, SpecialKey::help, "?\u20DD", Qt::Key_Help},
    {Key::home, SpecialKey::home, "\u2196", Qt::Key_Home},
    {Key::space, SpecialKey::space, nullptr, Qt::Key_Space},
    {Key::tab, SpecialKey::tab, "\u21E5", Qt::Key_Tab},
    {Key::pageUp, SpecialKey::pageUp, "\u21DE", Qt::Key_PageUp},
    {Key::pageDown, SpecialKey::pageDown, "\u21DF", Qt::Key_PageDown},
    {Key::upArrow, SpecialKey::upArrow, "\u2191", Qt::Key_Up},
    {Key::rightArrow, SpecialKey::rightArrow, "\u2192", Qt::Key_Right},
    {Key::downArrow, SpecialKey::downArrow, "\u2193", Qt::Key_Down},
    {Key::leftArrow, SpecialKey::leftArrow, "\u2190", Qt::Key_Left},
    {Key::f1, SpecialKey::f1, "F1", Qt::Key_F1},
    {Key::f2, SpecialKey::f2, "F2", Qt::Key_F2},
    {Key::f3, SpecialKey::f3, "F3", Qt::Key_F3},
    {Key::f4, SpecialKey::f4, "F4", Qt::Key_F4},
    {Key::f5, SpecialKey::f5, "F5", Qt::Key_F5},
    {Key::f6, SpecialKey::f6, "F6", Qt::Key_F6},
    {Key::f7, SpecialKey::f7, "F7", Qt::Key_F7},
    {Key::f8, SpecialKey::f8, "F8", Qt::Key_F8},
    {Key::f9, SpecialKey::f9, "F9", Qt::Key_F9},
    {Key::f10, SpecialKey::f10, "F10", Qt::Key_F10},
    {Key::f11, SpecialKey::f11, "F11", Qt::Key_F11},
    {Key::f12, SpecialKey::f12, "F12", Qt::Key_F12},
    {Key::f13, SpecialKey::f13, "F13", Qt::Key_F13},
    {Key::f14, SpecialKey::f14, "F14", Qt::Key_F14},
    {Key::f15, SpecialKey::f15, "F15", Qt::Key_F15},
    {Key::f16, SpecialKey::f16, "F16", Qt::Key_F16},
    {Key::f17, SpecialKey::f17, "F17", Qt::Key_F17},
    {Key::f18, SpecialKey::f18, "F18", Qt::Key_F18},
    {Key::f19, SpecialKey::f19, "F19", Qt::Key_F19},
    {Key::f20, SpecialKey::f20, "F20", Qt::Key_F20},
    {Key::keypad0, SpecialKey::keypad0, "0\u20E3", 0},
    {Key::keypad1, SpecialKey::keypad1, "1\u20E3", 0},
    {Key::keypad2, SpecialKey::keypad2, "2\u20E3", 0},
    {Key::keypad3, SpecialKey::keypad3, "3\u20E3", 0},
    {Key::keypad4, SpecialKey::keypad4, "4\u20E3", 0},
    {Key::keypad5, SpecialKey::keypad5, "5\u20E3", 0},
    {Key::keypad6, SpecialKey::keypad6, "6\u20E3", 0},
    {Key::keypad7, SpecialKey::keypad7, "7\u20E3", 0},
    {Key::keypad8, SpecialKey::keypad8, "8\u20E3", 0},
    {Key::keypad9, SpecialKey::keypad9, "9\u20E3", 0},
    {Key::keypadClear, SpecialKey::keypadClear, "\u2612\u20E3", 0},
    {Key::keypadDecimal, SpecialKey::keypadDecimal, ".\u20E3", 0},
    {Key::keypadDivide, SpecialKey::keypadDivide, "/\u20E3", 0},
    {Key::keypadEnter, SpecialKey::keypadEnter, "\u21A9\u20E3", 0},
    {Key::keypadEquals, SpecialKey::keypadEquals, "=\u20E3", 0},
    {Key::keypadMinus, SpecialKey::keypadMinus, "-\u20E3", 0},
    {Key::keypadMultiply, SpecialKey::keypadMultiply, "*\u20E3", 0},
    {Key::keypadPlus, SpecialKey::keypadPlus, "+\u20E3", 0},
}};

const SpecialKeyEntry* entryFor(SpecialKey special) {
    const auto found = std::ranges::find(specialKeys, special, &SpecialKeyEntry::special);
    return found == specialKeys.end() ? nullptr : &*found;
}

}  // namespace

std::optional<SpecialKey> specialKey(Key key) {
    const auto found = std::ranges::find(specialKeys, key, &SpecialKeyEntry::key);
    if (found == specialKeys.end()) return std::nullopt;
    return found->special;
}

std::string presentableDescription(SpecialKey key) {
    if (key == SpecialKey::space) {
        QString name = QString::fromStdString(localized("space_key"));
        if (!name.isEmpty()) name[0] = name[0].toUpper();
        return name.toStdString();
    }
    const SpecialKeyEntry* entry = entryFor(key);
    return entry && entry->glyph ? entry->glyph : std::string();
}

std::optional<int> qtKey(SpecialKey key) {
    const SpecialKeyEntry* entry = entryFor(key);
    if (!entry || entry->qtKey == 0) return std::nullopt;
    return entry->qtKey;
}

}  // namespace GlobalShortcuts
