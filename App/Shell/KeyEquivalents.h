#pragma once
// The gear menu's key equivalents, Ctrl+, for "Settings…" and Ctrl+Q for "Quit Vellumark", wherever
// the application has the keyboard: the panel, a menu open over it, the settings and welcome
// windows, a dialog. Qt fires no shortcut of an item of a menu without a parent, and the gear menu
// is one (it is made afresh on every click and exists only while shown), so the keys are matched
// here as they reach any of the application's windows.
//
// - A key the focused widget claims for itself stays its (Qt's shortcut override): a shortcut field
//   that is recording takes Ctrl+Q as the combination it is offered.
// - Ctrl+, closes the menus open over the panel and the panel, as choosing the item does, and brings
//   up the one settings window. A held key acts once.
//
// Main thread; installed at launch for the life of the application.

#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;

class KeyEquivalents final : public QObject {
public:
    // `panel` is closed before the settings window opens (none: nothing to close).
    explicit KeyEquivalents(QPointer<QWidget> panel);
    ~KeyEquivalents() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> panel_;
};
