#include "GlobalShortcuts/KeyCodes.h"

#include <Qt>

#include <algorithm>
#include <array>
#include <utility>

namespace GlobalShortcuts::KeyCodes {

namespace {

// Carbon key → evdev code (linux/input-event-codes.h), by key position.
const std::array<std::pair<Key, int>, 111> evdevCodes{{
    {Key::a, 30}, {Key::b, 48}, {Key::c, 46}, {Key::d, 32}, {Key::e, 18}, {Key::f, 33}, {Key::g, 34},
    {Key::h, 35}, {Key::i, 23}, {Key::j, 36}, {Key::k, 37}, {Key::l, 38}, {Key::m, 50}, {Key::n, 49},
    {Key::o, 24}, {Key::p, 25}, {Key::q, 16}, {Key::r, 19}, {Key::s, 31}, {Key::t, 20}, {Key::u, 22},
    {Key::v, 47}, {Key::w, 17}, {Key::x, 45}, {Key::y, 21}, {Key::z, 44},
    {Key::one, 2}, {Key::two, 3}, {Key::three, 4}, {Key::four, 5}, {Key::five, 6}, {Key::six, 7},
    {Key::seven, 8}, {Key::eight, 9}, {Key::nine, 10}, {Key::zero, 11},
    {Key::capsLock, 58}, {Key::shift, 42}, {Key::control, 29}, {Key::option, 56}, {Key::command, 125},
    {Key::rightCommand, 126}, {Key::rightOption, 100}, {Key::rightControl, 97}, {Key::rightShift, 54},
    {Key::return_, 28}, {Key::backslash, 43}, {Key::backtick, 41}, {Key::comma, 51}, {Key::equal, 13},
    {Key::minus, 12}, {Key::period, 52}, {Key::quote, 40}, {Key::semicolon, 39}, {Key::slash, 53},
    {Key::space, 57}, {Key::tab, 15}, {Key::leftBracket, 26}, {Key::rightBracket, 27}, {Key::delete_, 14},
    {Key::deleteForward, 111}, {Key::escape, 1}, {Key::help, 110},  // Help sits where a PC has Insert
    {Key::pageUp, 104}, {Key::pageDown, 109}, {Key::home, 102}, {Key::end, 107}, {Key::upArrow, 103},
    {Key::rightArrow, 106}, {Key::downArrow, 108}, {Key::leftArrow, 105},
    {Key::f1, 59}, {Key::f2, 60}, {Key::f3, 61}, {Key::f4, 62}, {Key::f5, 63}, {Key::f6, 64}, {Key::f7, 65},
    {Key::f8, 66}, {Key::f9, 67}, {Key::f10, 68}, {Key::f11, 87}, {Key::f12, 88}, {Key::f13, 183},
    {Key::f14, 184}, {Key::f15, 185}, {Key::f16, 186}, {Key::f17, 187}, {Key::f18, 188}, {Key::f19, 189},
    {Key::f20, 190},
    {Key::keypad0, 82}, {Key::keypad1, 79}, {Key::keypad2, 80}, {Key::keypad3, 81}, {Key::keypad4, 75},
    {Key::keypad5, 76}, {Key::keypad6, 77}, {Key::keypad7, 71}, {Key::keypad8, 72}, {Key::keypad9, 73},
    {Key::keypadDecimal, 83}, {Key::keypadDivide, 98}, {Key::keypadEnter, 96}, {Key::keypadEquals, 117},
    {Key::keypadMinus, 74}, {Key::keypadMultiply, 55}, {Key::keypadPlus, 78},
    {Key::volumeUp, 115}, {Key::volumeDown, 114}, {Key::mute, 113},
}};

// Qt key → the US ANSI key that types it (unshifted or shifted).
const std::array<std::pair<int, Key>, 96> qtKeys{{
    {Qt::Key_A, Key::a}, {Qt::Key_B, Key::b}, {Qt::Key_C, Key::c}, {Qt::Key_D, Key::d}, {Qt::Key_E, Key::e},
    {Qt::Key_F, Key::f}, {Qt::Key_G, Key::g}, {Qt::Key_H, Key::h}, {Qt::Key_I, Key::i}, {Qt::Key_J, Key::j},
    {Qt::Key_K, Key::k}, {Qt::Key_L, Key::l}, {Qt::Key_M, Key::m}, {Qt::Key_N, Key::n}, {Qt::Key_O, Key::o},
    {Qt::Key_P, Key::p}, {Qt::Key_Q, Key::q}, {Qt::Key_R, Key::r}, {Qt::Key_S, Key::s}, {Qt::Key_T, Key::t},
    {Qt::Key_U, Key::u}, {Qt::Key_V, Key::v}, {Qt::Key_W, Key::w}, {Qt::Key_X, Key::x}, {Qt::Key_Y, Key::y},
    {Qt::Key_Z, Key::z},
    {Qt::Key_1, Key::one}, {Qt::Key_Exclam, Key::one}, {Qt::Key_2, Key::two}, {Qt::Key_At, Key::two},
    {Qt::Key_3, Key::three}, {Qt::Key_NumberSign, Key::three}, {Qt::Key_4, Key::four}, {Qt::Key_Dollar, Key::four},
    {Qt::Key_5, Key::five}, {Qt::Key_Percent, Key::five}, {Qt::Key_6, Key::six}, {Qt::Key_AsciiCircum, Key::six},
    {Qt::Key_7, Key::seven}, {Qt::Key_Ampersand, Key::seven}, {Qt::Key_8, Key::eight},
    {Qt::Key_Asterisk, Key::eight}, {Qt::Key_9, Key::nine}, {Qt::Key_ParenLeft, Key::nine},
    {Qt::Key_0, Key::zero}, {Qt::Key_ParenRight, Key::zero},
    {Qt::Key_Minus, Key::minus}, {Qt::Key_Underscore, Key::minus}, {Qt::Key_Equal, Key::equal},
    {Qt::Key_Plus, Key::equal}, {Qt::Key_BracketLeft, Key::leftBracket}, {Qt::Key_BraceLeft, Key::leftBracket},
    {Qt::Key_BracketRight, Key::rightBracket}, {Qt::Key_BraceRight, Key::rightBracket},
    {Qt::Key_Backslash, Key::backslash}, {Qt::Key_Bar, Key::backslash}, {Qt::Key_Semicolon, Key::semicolon},
    {Qt::Key_Colon, Key::semicolon}, {Qt::Key_Apostrophe, Key::quote}, {Qt::Key_QuoteDbl, Key::quote},
    {Qt::Key_QuoteLeft, Key::backtick}, {Qt::Key_AsciiTilde, Key::backtick}, {Qt::Key_Comma, Key::comma},
    {Qt::Key_Less, Key::comma}, {Qt::Key_Period, Key::period}, {Qt::Key_Greater, Key::period},
    {Qt::Key_Slash, Key::slash}, {Qt::Key_Question, Key::slash},
    {Qt::Key_Return, Key::return_}, {Qt::Key_Enter, Key::keypadEnter}, {Qt::Key_Tab, Key::tab},
    {Qt::Key_Backtab, Key::tab}, {Qt::Key_Space, Key::space}, {Qt::Key_Backspace, Key::delete_},
    {Qt::Key_Delete, Key::deleteForward}, {Qt::Key_Escape, Key::escape}, {Qt::Key_Help, Key::help},
    {Qt::Key_Insert, Key::help}, {Qt::Key_PageUp, Key::pageUp}, {Qt::Key_PageDown, Key::pageDown},
    {Qt::Key_Home, Key::home}, {Qt::Key_End, Key::end}, {Qt::Key_Up, Key::upArrow},
    {Qt::Key_Right, Key::rightArrow}, {Qt::Key_Down, Key::downArrow}, {Qt::Key_Left, Key::leftArrow},
    {Qt::Key_CapsLock, Key::capsLock}, {Qt::Key_Shift, Key::shift}, {Qt::Key_Control, Key::control},
    {Qt::Key_Alt, Key::option}, {Qt::Key_Meta, Key::command}, {Qt::Key_Super_L, Key::command},
    {Qt::Key_Super_R, Key::rightCommand}, {Qt::Key_VolumeUp, Key::volumeUp},
    {Qt::Key_VolumeDown, Key::volumeDown}, {Qt::Key_VolumeMute, Key::mute},
}};

// With the keypad flag, these Qt keys are keypad keys.
const std::array<std::pair<int, Key>, 17> qtKeypadKeys{{
    {Qt::Key_0, Key::keypad0}, {Qt::Key_1, Key::keypad1}, {Qt::Key_2, Key::keypad2}, {Qt::Key_3, Key::keypad3},
    {Qt::Key_4, Key::keypad4}, {Qt::Key_5, Key::keypad5}, {Qt::Key_6, Key::keypad6}, {Qt::Key_7, Key::keypad7},
    {Qt::Key_8, Key::keypad8}, {Qt::Key_9, Key::keypad9}, {Qt::Key_Period, Key::keypadDecimal},
    {Qt::Key_Slash, Key::keypadDivide}, {Qt::Key_Enter, Key::keypadEnter}, {Qt::Key_Equal, Key::keypadEquals},
    {Qt::Key_Minus, Key::keypadMinus}, {Qt::Key_Asterisk, Key::keypadMultiply}, {Qt::Key_Plus, Key::keypadPlus},
}};

template <typename Table, typename Value>
auto lookUp(const Table& table, const Value& value) {
    const auto found = std::ranges::find(table, value, &Table::value_type::first);
    return found == table.end() ? std::nullopt : std::make_optional(found->second);
}

}  // namespace

std::optional<int> evdevCode(Key key) { return lookUp(evdevCodes, key); }

std::optional<Key> keyForEvdevCode(int code) {
    const auto found = std::ranges::find(evdevCodes, code, &std::pair<Key, int>::second);
    return found == evdevCodes.end() ? std::nullopt : std::make_optional(found->first);
}

std::optional<Key> keyForQtKey(int qtKey, bool keypad) {
    if (keypad)
        if (auto key = lookUp(qtKeypadKeys, qtKey)) return key;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F20) {
        static constexpr std::array<Key, 20> functionKeys{Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,
                                                          Key::f6,  Key::f7,  Key::f8,  Key::f9,  Key::f10,
                                                          Key::f11, Key::f12, Key::f13, Key::f14, Key::f15,
                                                          Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};
        return functionKeys[static_cast<std::size_t>(qtKey - Qt::Key_F1)];
    }
    return lookUp(qtKeys, qtKey);
}

}  // namespace GlobalShortcuts::KeyCodes
