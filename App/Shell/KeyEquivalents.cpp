#include "App/Shell/KeyEquivalents.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include "App/Common/GearMenuItems.h"
#include "App/Panel/Header/SettingsMenuActions.h"

namespace {

QKeySequence sequenceOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers held =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return QKeySequence(QKeyCombination(held, Qt::Key(event.key())));
}

// Whether the widget that gets the key asks to have it as a key rather than as a shortcut, as Qt
// asks before it runs one of its own.
bool isClaimedByFocusedWidget(const QKeyEvent& event) {
    QWidget* popup = QApplication::activePopupWidget();
    QWidget* target = popup ? popup->focusWidget() : QApplication::focusWidget();
    if (!target) target = popup;
    if (!target) return false;
    QKeyEvent override(QEvent::ShortcutOverride, event.key(), event.modifiers(), event.nativeScanCode(),
                       event.nativeVirtualKey(), event.nativeModifiers(), event.text(), event.isAutoRepeat(),
                       event.count());
    override.ignore();
    QApplication::sendEvent(target, &override);
    return override.isAccepted();
}

// The menus open over the panel go as they do when one of their items is chosen.
void closeMenus() {
    QWidget* closed = nullptr;
    while (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        if (menu == closed) break;  // one that would not close
        closed = menu;
        menu->close();
    }
}

}  // namespace

KeyEquivalents::KeyEquivalents(QPointer<QWidget> panel) : panel_(std::move(panel)) {
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

KeyEquivalents::~KeyEquivalents() {
    if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
}

bool KeyEquivalents::eventFilter(QObject* watched, QEvent* event) {
    // A key press reaches its window once, before any widget sees it.
    if (event->type() != QEvent::KeyPress || !watched->isWindowType()) return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const QKeySequence pressed = sequenceOf(key);
    const bool settings = pressed == GearMenuItems::settingsKey(), quit = pressed == GearMenuItems::quitKey();
    if ((!settings && !quit) || isClaimedByFocusedWidget(key)) return false;
    if (key.isAutoRepeat()) return true;
    if (settings) {
        closeMenus();
        SettingsMenuActions::shared().openSettingsItem(panel_);
    } else {
        SettingsMenuActions::shared().quit();
    }
    return true;
}
