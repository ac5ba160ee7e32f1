// Shortcut::presentableDescription(), apart from the rest of Shortcut: it needs the keyboard layout
// and Qt's case mapping, which the Qt-free shortcut model does without.

#include <QString>

#include "GlobalShortcuts/KeyboardLayout.h"
#include "GlobalShortcuts/NonCharacterKeys.h"
#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts {

std::string Shortcut::presentableDescription() const {
    std::string text = modifiers().symbolicRepresentation();
    if (const auto special = specialKey(key())) return text + GlobalShortcuts::presentableDescription(*special);
    const auto character = KeyboardLayout::character(key());
    if (!character) return text + "\uFFFD";
    return text + QString::fromStdString(*character).toUpper().toStdString();
}

}  // namespace GlobalShortcuts
