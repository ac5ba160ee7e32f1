#include "GlobalShortcuts/KeyEvents.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

#include "GlobalShortcuts/KeyCodes.h"
#include "GlobalShortcuts/KeyboardLayout.h"
#include "GlobalShortcuts/NonCharacterKeys.h"

namespace GlobalShortcuts {

namespace {

struct QtModifier {
    Qt::KeyboardModifier qt;
    std::uint64_t flag;
};

constexpr QtModifier qtModifiers[] = {
    {Qt::ControlModifier, ModifierFlags::control},
    {Qt::AltModifier, ModifierFlags::option},
    {Qt::ShiftModifier, ModifierFlags::shift},
    {Qt::MetaModifier, ModifierFlags::command},
};

QAction* matchingAction(const QKeySequence& wanted, const QMenu& menu) {
    for (QAction* action : menu.actions()) {
        for (const QKeySequence& sequence : action->shortcuts())
            if (sequence == wanted) return action;
        if (QMenu* submenu = action->menu())
            if (QAction* found = matchingAction(wanted, *submenu)) return found;
    }
    return nullptr;
}

}  // namespace

std::optional<Key> keyOfEvent(const QKeyEvent& event) {
    if (const quint32 code = event.nativeScanCode(); code > KeyCodes::xKeycodeOffset)
        if (auto key = KeyCodes::keyForEvdevCode(static_cast<int>(code) - KeyCodes::xKeycodeOffset)) return key;
    return KeyCodes::keyForQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
}

ModifierFlags modifiersOfEvent(const QKeyEvent& event) {
    ModifierFlags flags;
    for (const QtModifier& modifier : qtModifiers)
        if (event.modifiers().testFlag(modifier.qt)) flags.rawValue |= modifier.flag;
    return flags;
}

std::optional<Shortcut> shortcutOfEvent(const QEvent& event) {
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease) return std::nullopt;
    const auto& keyEvent = static_cast<const QKeyEvent&>(event);
    const auto key = keyOfEvent(keyEvent);
    if (!key) return std::nullopt;
    return Shortcut(*key, modifiersOfEvent(keyEvent));
}

std::optional<QKeySequence> keySequence(const Shortcut& shortcut) {
    const ModifierFlags flags = shortcut.modifiers();
    if (flags.contains(ModifierFlags::function)) return std::nullopt;
    int key = 0;
    if (const auto special = specialKey(shortcut.key())) {
        const auto qt = qtKey(*special);
        if (!qt) return std::nullopt;
        key = *qt;
    } else {
        const auto character = KeyboardLayout::character(shortcut.key());
        if (!character) return std::nullopt;
        const QString text = QString::fromStdString(*character).toUpper();
        if (text.size() != 1) return std::nullopt;  // one UTF-16 unit, as Qt's keys are
        key = text.at(0).unicode();
    }
    Qt::KeyboardModifiers modifiers;
    for (const QtModifier& modifier : qtModifiers)
        if (flags.contains(modifier.flag)) modifiers |= modifier.qt;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

QAction* menuItemWithMatchingShortcut(const Shortcut& shortcut, const QList<QMenu*>& menus) {
    const auto wanted = keySequence(shortcut);
    if (!wanted) return nullptr;
    for (const QMenu* menu : menus)
        if (QAction* found = menu ? matchingAction(*wanted, *menu) : nullptr) return found;
    return nullptr;
}

QString menuItemTitle(const QAction& action) {
    const QString text = action.text();
    QString title;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text.at(at) == u'&' && at + 1 < text.size()) ++at;  // "&x" → "x", "&&" → "&"
        else if (text.at(at) == u'&') continue;
        title += text.at(at);
    }
    return title;
}

}  // namespace GlobalShortcuts
