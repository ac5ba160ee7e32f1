// The gear menu, the settings window and the update check on a real X desktop of the program's own
// (Xvfb), clicked with xdotool as a person would, and photographed once the screen shows them as
// painted.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTcpServer>

#include <algorithm>

#include "App/Panel/Header/SettingsGearButton.h"
#include "App/Settings/FilterSettingsView.h"
#include "App/Settings/SettingsView.h"
#include "App/Settings/SettingsWindowController.h"
#include "App/Shell/Popover.h"
#include "App/Updates/AppUpdater.h"
#include "App/Updates/UpdateProgressDialog.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/FilterRules.h"
#include "support/DesktopSession.h"
#include "support/OnScreen.h"
#include "support/QtWaiting.h"
#include "support/Screenshots.h"
#include "support/TempHome.h"

namespace {

using namespace std::chrono_literals;
using app_test::runUntil;

using Desktop = app_test::DesktopSession;

void clickAt(const QPoint& point) { Desktop::click(point.x(), point.y()); }

// Once the screen shows it as painted; null when it does not come.
QMenu* openMenu(const std::filesystem::path& folder) {
    QMenu* menu = nullptr;
    const bool shown = runUntil([&] {
        return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) &&
               app_test::showsAsPainted(*menu, folder);
    });
    return shown ? menu : nullptr;
}

QPoint itemCentre(QMenu& menu, int index) {
    return menu.mapToGlobal(menu.actionGeometry(menu.actions().at(index)).center());
}

TEST(SettingsOnTheDesktop, TheGearMenuTicksLaunchAtLoginAndOpensOneSettingsWindow) {
    testing_support::TempHome home;
    FilterRules rules;
    // Keys and a path whose widths in fractions of a pixel were once rounded down and cut.
    rules.hiddenServers = {"node:22001", "python3:220"};
    rules.ignoredPorts = {5432};
    rules.watchedPorts = {11434};
    rules.excludedFolders = {(home.home() / "archive").string()};
    rules.includedFolders = {"/srv/abcde", "/Library/Old"};
    rules.save(Platform::UserDefaults::standard());

    Popover panel;
    auto* header = new QWidget;
    header->setFixedSize(440, 48);
    auto* gear = new SettingsGearButton(header);
    gear->move(400, 11);
    panel.setContentView(header);
    const auto openPanel = [&] {
        panel.showRelativeTo(QRect(900, 0, 20, 20));
        EXPECT_TRUE(runUntil([&] { return app_test::showsAsPainted(panel, home.home()); }));
    };
    // The panel opened and its gear clicked: the menu, or null.
    const auto openGearMenu = [&] {
        openPanel();
        clickAt(gear->mapToGlobal(gear->rect().center()));
        return openMenu(home.home());
    };
    openPanel();
    const QPoint gearAt = gear->mapToGlobal(QPoint(0, 0));
    Desktop::xdotool({"mousemove", std::to_string(gearAt.x() + 13), std::to_string(gearAt.y() + 13)});
    ASSERT_TRUE(runUntil([&] { return gear->isHovered() && app_test::showsAsPainted(*gear, home.home()); }));
    EXPECT_FALSE(app_test::screenshot("gear-button", gearAt.x() - 20, gearAt.y() - 11, 66, 48).empty());
    clickAt(gear->mapToGlobal(gear->rect().center()));
    QMenu* menu = openMenu(home.home());
    ASSERT_TRUE(menu);
    const QRect shot = menu->geometry().adjusted(-40, -30, 10, 10);
    EXPECT_FALSE(app_test::screenshot("gear-menu", shot.x(), shot.y(), shot.width(), shot.height()).empty());
    EXPECT_FALSE(menu->actions().at(3)->isChecked());

    clickAt(itemCentre(*menu, 3));  // Launch at Login
    const auto entry = home.configHome() / "autostart/io.kestrow.v3lk.desktop";
    EXPECT_TRUE(runUntil([&] { return std::filesystem::exists(entry); }));

    menu = openGearMenu();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->actions().at(3)->isChecked());
    clickAt(itemCentre(*menu, 0));  // Settings…
    const auto settingsWindows = [&] { return Desktop::windows("--name", "Settings"); };
    ASSERT_TRUE(runUntil([&] { return settingsWindows().size() == 1; }));
    EXPECT_FALSE(panel.isVisible());
    const app_test::WindowInfo window = settingsWindows().front();
    QWidget& settings = *SettingsWindowController::shared().window();
    ASSERT_TRUE(runUntil([&] { return app_test::showsAsPainted(settings, home.home()); }));
    EXPECT_FALSE(app_test::screenshot("settings-general", window.x, window.y, window.width, window.height).empty());

    SettingsView& view = *SettingsWindowController::shared().view();
    clickAt(view.tabBar()->mapToGlobal(view.tabBar()->tabRect(1).center()));
    ASSERT_TRUE(runUntil([&] { return view.currentIndex() == 1 && app_test::showsAsPainted(settings, home.home()); }));
    EXPECT_FALSE(app_test::screenshot("settings-filters", window.x, window.y, window.width, window.height).empty());
    QScrollBar* scroll = view.filters().verticalScrollBar();
    scroll->setValue(scroll->maximum());
    ASSERT_TRUE(runUntil([&] { return app_test::showsAsPainted(settings, home.home()); }));
    EXPECT_FALSE(
        app_test::screenshot("settings-filters-folders", window.x, window.y, window.width, window.height).empty());

    // Asked for again from the gear menu: the same window, still the only one. Another window takes
    // the keyboard first; the settings window taking it back proves that what the click did has
    // reached the X server, a second window included.
    QWidget elsewhere;
    elsewhere.setGeometry(40, 600, 160, 100);
    elsewhere.show();
    elsewhere.activateWindow();
    const std::string elsewhereId = std::to_string(elsewhere.winId());
    ASSERT_TRUE(runUntil([&] { return Desktop::focusedWindow() == elsewhereId; }));
    menu = openGearMenu();
    ASSERT_TRUE(menu);
    clickAt(itemCentre(*menu, 0));
    ASSERT_TRUE(runUntil([&] { return !panel.isVisible() && Desktop::focusedWindow() == window.id; }));
    ASSERT_EQ(settingsWindows().size(), 1u);
    EXPECT_EQ(settingsWindows().front().id, window.id);
    settings.close();
}

// "Check for Updates…" against a server that takes the request and keeps silent: the check's
// window is on the screen at once, and a click on its Cancel ends the check without an answer.
TEST(SettingsOnTheDesktop, TheUpdateCheckShowsWhileItRunsAndItsCancelEndsIt) {
    testing_support::TempHome home;
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    int answers = 0;
    AppUpdater updater({"http://127.0.0.1:" + std::to_string(silent.serverPort()) + "/feed.json", "1.4.0",
                        [&](const UpdateCheckResult&) { ++answers; }});
    UpdateProgressDialog::follow(updater);
    updater.checkForUpdates();
    QDialog* progress = nullptr;
    ASSERT_TRUE(runUntil([&] {
        return (progress = qobject_cast<QDialog*>(QApplication::activeWindow())) &&
               progress->objectName() == QLatin1String(UpdateProgressDialog::objectName) &&
               std::ranges::all_of(progress->findChildren<QLabel*>(),
                                   [&](QLabel* label) { return app_test::showsAsPainted(*label, home.home()); });
    }));
    const QRect frame = progress->frameGeometry();
    EXPECT_FALSE(app_test::screenshot("update-checking", frame.x(), frame.y(), frame.width(), frame.height()).empty());

    QPushButton* cancel = progress->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
    ASSERT_TRUE(cancel);
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    const QPointer<QDialog> shown(progress);
    clickAt(cancel->mapToGlobal(cancel->rect().center()));
    ASSERT_TRUE(runUntil([&] { return !updater.isChecking() && (!shown || !shown->isVisible()); }));
    EXPECT_EQ(answers, 0);
}

}  // namespace
