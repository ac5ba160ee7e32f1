#include "App/Settings/SettingsWindowController.h"

#include "App/Common/WindowPlacement.h"
#include "App/Settings/SettingsView.h"
#include "App/Updates/AppUpdater.h"

SettingsWindowController& SettingsWindowController::shared() {
    static SettingsWindowController* instance = new SettingsWindowController;
    return *instance;
}

void SettingsWindowController::show() {
    if (!window_) {
        view_ = new SettingsView(AppUpdater::shared());
        window_ = WindowPlacement::makeViewWindow(QString::fromLatin1(title), QStringLiteral("settingsWindow"), view_,
                                                  QSize(SettingsView::width, SettingsView::height));
    }
    WindowPlacement::centerOnActiveScreen(*window_);
    WindowPlacement::showInFront(*window_);
}
