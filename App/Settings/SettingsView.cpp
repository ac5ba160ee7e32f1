#include "App/Settings/SettingsView.h"

#include "App/Brand/Icons.h"
#include "App/Settings/FilterSettingsView.h"
#include "App/Settings/GeneralSettingsView.h"

SettingsView::SettingsView(AppUpdater& updater, QWidget* parent)
    : QTabWidget(parent), general_(new GeneralSettingsView(updater)), filters_(new FilterSettingsView) {
    setFixedSize(width, height);
    // The page switcher sits in the middle, as a settings window's toolbar does.
    setStyleSheet(QStringLiteral("QTabWidget::tab-bar { alignment: center; }"));
    const QColor iconColor = palette().color(QPalette::WindowText);
    addTab(general_, Icons::icon("gearshape", iconColor), QStringLiteral("General"));
    addTab(filters_, Icons::icon("line.3.horizontal.decrease.circle", iconColor), QStringLiteral("Filters"));
    setCurrentIndex(0);
}
