#include "App/Common/GearMenuItems.h"

#include <QMenu>

QMenu& GearMenuItems::keyEquivalentsMenu() {
    static QMenu* menu = [] {
        auto* made = new QMenu;
        made->addAction(settingsTitle())->setShortcut(settingsKey());
        made->addAction(quitTitle())->setShortcut(quitKey());
        return made;
    }();
    return *menu;
}
