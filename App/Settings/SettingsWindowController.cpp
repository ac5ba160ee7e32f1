#include "App/Settings/SettingsWindowController.h"

#include <QVBoxLayout>

#include "App/Settings/SettingsView.h"
#include "App/Shell/AppUpdater.h"
#include "App/Shell/WindowPlacement.h"

SettingsWindowController& SettingsWindowController::shared() {
    static SettingsWindowController* instance = new SettingsWindowController;
    return *instance;
}

void SettingsWindowController::show() {
    if (!window_) {
        auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                Qt::WindowCloseButtonHint);
        window->setWindowTitle(QString::fromLatin1(title));
        window->setObjectName(QStringLiteral("settingsWindow"));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new SettingsView(AppUpdater::shared());
        layout->addWidget(view_);
        window->setFixedSize(SettingsView::width, SettingsView::height);
        window_ = window;
    }
    WindowPlacement::centerOnActiveScreen(*window_);
    window_->show();
    window_->raise();
    window_->activateWindow();
}
