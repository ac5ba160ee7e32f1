#pragma once
// The panel header's gear button: a 26 × 26 button whose whole square takes clicks, showing the gear
// icon at 16 × 16, in the primary colour while hovered and the secondary colour otherwise, with the
// pointing hand. A click pops up the gear menu at the pointer:
//
//   Settings…            Ctrl+,
//   Check for Updates…
//   ──────────
//   Launch at Login      (ticked while the login item is enabled)
//   ──────────
//   Quit Vellumark       Ctrl+Q   (the product word in the brand face)
//
// The menu is made afresh on every click and deleted when it closes, so its tick always shows the
// login item's state at that moment. Main thread only.

#include <QPointer>

#include "App/Panel/Controls/IconButton.h"

class QMenu;

class SettingsGearButton : public IconButton {
    Q_OBJECT
public:
    static constexpr int frameSize = 26;
    static constexpr int iconSize = 16;

    explicit SettingsGearButton(QWidget* parent = nullptr);

    // Builds the menu and pops it up at the pointer; returns it (it deletes itself once closed).
    QMenu* presentMenu();
    // The menu as presentMenu shows it, for this moment's state.
    QMenu* makeMenu();
    // The same menu for the panel given (closed before a window opens; none: nothing to close).
    static QMenu* buildMenu(QPointer<QWidget> panel);
};
