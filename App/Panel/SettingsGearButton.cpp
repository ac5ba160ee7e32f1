#include "App/Panel/SettingsGearButton.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>

#include "App/Brand/Icons.h"
#include "App/Brand/PointingCursor.h"
#include "App/Brand/Theme.h"
#include "App/LoginItem/LoginItem.h"
#include "App/Panel/BrandWordMenuStyle.h"
#include "App/Panel/SettingsMenuActions.h"

SettingsGearButton::SettingsGearButton(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(frameSize, frameSize);
    setToolTip(QStringLiteral("Settings"));
    setAccessibleName(QStringLiteral("Settings"));
    setFocusPolicy(Qt::NoFocus);
    pointingCursor(this);
    connect(this, &QAbstractButton::clicked, this, [this] { presentMenu(); });
}

QSize SettingsGearButton::sizeHint() const { return {frameSize, frameSize}; }

QMenu* SettingsGearButton::makeMenu() { return buildMenu(window()); }

QMenu& SettingsGearButton::keyEquivalentsMenu() {
    static QMenu* menu = [] {
        QMenu* made = buildMenu(nullptr);
        // Never shown, so never closed: it stays.
        QObject::disconnect(made, &QMenu::aboutToHide, made, nullptr);
        return made;
    }();
    return *menu;
}

QMenu* SettingsGearButton::buildMenu(QPointer<QWidget> panel) {
    auto* menu = new QMenu;
    auto* style = new BrandWordMenuStyle;
    style->setParent(menu);
    menu->setStyle(style);

    QAction* settings = menu->addAction(QStringLiteral("Settings…"));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, menu, [panel] { SettingsMenuActions::shared().openSettingsItem(panel); });

    QAction* updates = menu->addAction(QStringLiteral("Check for Updates…"));
    connect(updates, &QAction::triggered, menu, [panel] { SettingsMenuActions::shared().checkForUpdates(panel); });

    menu->addSeparator();
    QAction* launchAtLogin = menu->addAction(QStringLiteral("Launch at Login"));
    launchAtLogin->setCheckable(true);
    launchAtLogin->setChecked(LoginItem::isEnabled());
    connect(launchAtLogin, &QAction::triggered, menu, [] { SettingsMenuActions::shared().toggleLaunchAtLogin(); });

    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Quit Vellumark"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
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

void SettingsGearButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF icon((width() - iconSize) / 2.0, (height() - iconSize) / 2.0, iconSize, iconSize);
    Icons::paint(painter, icon, "ph-gear-light", Theme::color(hovered_ ? ThemeColor::ink : ThemeColor::secondary, *this));
}

void SettingsGearButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SettingsGearButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}
