#include "App/Panel/Header/SettingsMenuActions.h"

#include <QApplication>
#include <QWidget>

#include "App/Settings/SettingsWindowController.h"
#include "App/Updates/AppUpdater.h"
#include "Core/LoginItem/LoginItem.h"

namespace {

void closePanel(QWidget* panel) {
    if (panel && panel->windowType() == Qt::Popup) panel->close();
}

}  // namespace

SettingsMenuActions& SettingsMenuActions::shared() {
    static SettingsMenuActions* instance = new SettingsMenuActions;
    return *instance;
}

void SettingsMenuActions::openSettingsItem(QWidget* panel) {
    closePanel(panel);
    SettingsWindowController::shared().show();
}

void SettingsMenuActions::checkForUpdates(QWidget* panel) {
    closePanel(panel);
    AppUpdater::shared().checkForUpdates();
}

void SettingsMenuActions::toggleLaunchAtLogin() { LoginItem::toggle(); }

void SettingsMenuActions::quit() { QApplication::quit(); }
