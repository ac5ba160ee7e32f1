#include "App/Settings/SettingsView.h"

#include "App/Settings/FilterSettingsView.h"
#include "App/Settings/GeneralSettingsView.h"
#include "App/Settings/SettingsIcons.h"

namespace {
constexpr int tabIconSize = 16;
}

SettingsView::SettingsView(AppUpdater& updater, QWidget* parent)
    : QTabWidget(parent), general_(new GeneralSettingsView(updater)), filters_(new FilterSettingsView) {
    setFixedSize(width, height);
    // The page switcher sits in the middle, as a settings window's toolbar does.
    setStyleSheet(QStringLiteral("QTabWidget::tab-bar { alignment: center; }"));
    const QColor iconColor = palette().color(QPalette::WindowText);
    const qreal ratio = devicePixelRatioF();
    addTab(general_, SettingsIcons::gearIcon(tabIconSize, iconColor, ratio), QStringLiteral("General"));
    addTab(filters_, SettingsIcons::filterDiscIcon(tabIconSize, iconColor, ratio), QStringLiteral("Filters"));
    setCurrentIndex(0);
}
