#include "App/Panel/Header/SettingsGearButton.h"

#include <QCursor>
#include <QMenu>

#include "App/Common/GearMenuItems.h"
#include "App/Panel/Header/BrandWordMenuStyle.h"
#include "App/Panel/Header/SettingsMenuActions.h"
#include "Core/LoginItem/LoginItem.h"

SettingsGearButton::SettingsGearButton(QWidget* parent)
    : IconButton("ph-gear-light", QSizeF(iconSize, iconSize), QSize(frameSize, frameSize),
                 {.normal = Tint::of(ThemeColor::secondary), .hovered = Tint::of(ThemeColor::ink)}, parent) {
    setHelp(QStringLiteral("Settings"), QStringLiteral("Settings"));
    connect(this, &QAbstractButton::clicked, this, [this] { presentMenu(); });
}

QMenu* SettingsGearButton::makeMenu() { return buildMenu(window()); }

QMenu* SettingsGearButton::buildMenu(QPointer<QWidget> panel) {
    auto* menu = new QMenu;
    auto* style = new BrandWordMenuStyle;
    style->setParent(menu);
    menu->setStyle(style);

    QAction* settings = menu->addAction(GearMenuItems::settingsTitle());
    // Shown here; KeyEquivalents acts on them.
    settings->setShortcut(GearMenuItems::settingsKey());
    connect(settings, &QAction::triggered, menu, [panel] { SettingsMenuActions::shared().openSettingsItem(panel); });

    QAction* updates = menu->addAction(QStringLiteral("Check for Updates…"));
    connect(updates, &QAction::triggered, menu, [panel] { SettingsMenuActions::shared().checkForUpdates(panel); });

    menu->addSeparator();
    QAction* launchAtLogin = menu->addAction(QStringLiteral("Launch at Login"));
    launchAtLogin->setCheckable(true);
    launchAtLogin->setChecked(LoginItem::isEnabled());
    connect(launchAtLogin, &QAction::triggered, menu, [] { SettingsMenuActions::shared().toggleLaunchAtLogin(); });

    menu->addSeparator();
    QAction* quit = menu->addAction(GearMenuItems::quitTitle());
    quit->setShortcut(GearMenuItems::quitKey());
    connect(quit, &QAction::triggered, menu, [] { SettingsMenuActions::shared().quit(); });

    // Gone once closed: the next click builds it again. Deleted later, as the chosen item's action
    // runs after the menu has hidden.
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    return menu;
}

QMenu* SettingsGearButton::presentMenu() {
    QMenu* menu = makeMenu();
    menu->popup(QCursor::pos());
    return menu;
}
