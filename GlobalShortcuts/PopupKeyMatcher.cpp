#include "GlobalShortcuts/PopupKeyMatcher.h"

#include <QApplication>
#include <QKeyEvent>

#include "GlobalShortcuts/KeyEvents.h"

namespace GlobalShortcuts {

PopupKeyMatcher::PopupKeyMatcher(std::function<bool(const Shortcut&)> onPress, std::function<bool(Key)> onRelease)
    : onPress_(std::move(onPress)), onRelease_(std::move(onRelease)) {
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

PopupKeyMatcher::~PopupKeyMatcher() {
    if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
}

bool PopupKeyMatcher::eventFilter(QObject* watched, QEvent* event) {
    // A key event reaches its window once, then each widget it propagates through: the window is
    // where it is seen exactly once.
    if (!watched->isWindowType() || !QApplication::activePopupWidget()) return false;
    if (event->type() == QEvent::KeyPress) {
        const auto shortcut = shortcutOfEvent(*event);
        return shortcut && onPress_(*shortcut);
    }
    if (event->type() == QEvent::KeyRelease) {
        const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
        if (keyEvent.isAutoRepeat()) return false;
        const auto key = keyOfEvent(keyEvent);
        return key && onRelease_(*key);
    }
    return false;
}

}  // namespace GlobalShortcuts
