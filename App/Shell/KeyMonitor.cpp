#include "App/Shell/KeyMonitor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>

#include "Core/PanelModel/KeyNav.h"
#include "Core/PanelModel/LeaveSearch.h"
#include "GlobalShortcuts/KeyEvents.h"

namespace {

using GlobalShortcuts::Key;

bool isTextEditor(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget)) return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(widget)) return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) return !plain->isReadOnly();
    return false;
}

}  // namespace

KeyMonitor::KeyMonitor(KeyNav& keyNav, const QWidget* panel, Predicate isWarningCardShown)
    : keyNav_(keyNav), panel_(panel), isWarningCardShown_(std::move(isWarningCardShown)) {
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

KeyMonitor::~KeyMonitor() {
    if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
}

bool KeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    // A key press reaches its window once, before any widget: that is where it is looked at (the
    // widgets it then propagates through would show it again).
    if (event->type() != QEvent::KeyPress || !panel_ || watched != panel_->windowHandle()) return false;
    // A menu opened from the panel gets the keys that reach the panel's window (which keeps the
    // keyboard grab while it is open): they are the menu's.
    if (QWidget* popup = QApplication::activePopupWidget(); popup && popup != panel_) return false;
    if (isWarningCardShown_ && isWarningCardShown_()) return false;
    return handleKeyPress(static_cast<const QKeyEvent&>(*event));
}

bool KeyMonitor::handleKeyPress(const QKeyEvent& event) {
    const bool modified = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const std::optional<Key> key = GlobalShortcuts::keyOfEvent(event);

    QWidget* focused = panel_->focusWidget();
    if (isTextEditor(focused)) {
        if (modified) return false;
        if (key == Key::escape || key == Key::downArrow) {
            focused->clearFocus();
            LeaveSearch::post();
            if (key == Key::downArrow) {
                const auto& rows = keyNav_.rows();
                keyNav_.select(rows.empty() ? std::nullopt : std::make_optional(rows.front().id));
            }
            return true;
        }
        return false;
    }

    if (key == Key::escape) {
        keyNav_.clearSelection();
        return false;
    }
    if (modified) return false;
    if (key == Key::downArrow || key == Key::upArrow) {
        keyNav_.move(key == Key::downArrow ? 1 : -1);
        return true;
    }
    const QString typed = event.text().toLower();
    if (typed == u"o") keyNav_.activate(KeyNav::Command::open);
    else if (typed == u"k") keyNav_.activate(KeyNav::Command::kill);
    else if (typed == u"r") keyNav_.activate(KeyNav::Command::restart);
    else return false;
    return true;
}
