#pragma once
// The gear menu's items that have key equivalents: "Settings…" with Ctrl+, and "Quit Vellumark"
// with Ctrl+Q. The gear menu shows them (Panel/Header/SettingsGearButton.h), the shell acts on the
// keys wherever the application has the keyboard (Shell/KeyEquivalents.h), and the hot-key recorder
// of the settings refuses them. Main thread only.

#include <QKeySequence>
#include <QString>

class QMenu;

namespace GearMenuItems {

inline QString settingsTitle() { return QStringLiteral("Settings…"); }
inline QKeySequence settingsKey() { return QKeySequence(Qt::CTRL | Qt::Key_Comma); }
inline QString quitTitle() { return QStringLiteral("Quit Vellumark"); }
inline QKeySequence quitKey() { return QKeySequence(Qt::CTRL | Qt::Key_Q); }

// These items in a menu kept for the life of the process: a new global shortcut must not repeat one
// of them (the recorder looks here), while the gear menu itself exists only while it is shown. The
// menu is never shown, so its items never act.
QMenu& keyEquivalentsMenu();

}  // namespace GearMenuItems
