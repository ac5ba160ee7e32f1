// The General page, the settings window, the welcome window and the gear menu, with their real
// widgets off screen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTest>

#include <algorithm>
#include <fstream>

#include "App/Common/BuildInfo.h"
#include "App/Common/ShortcutNames.h"
#include "App/Onboarding/OnboardingView.h"
#include "App/Onboarding/OnboardingWindowController.h"
#include "App/Panel/Header/SettingsGearButton.h"
#include "App/Settings/GeneralSettingsView.h"
#include "App/Settings/SettingsView.h"
#include "App/Settings/SettingsWindowController.h"
#include "App/Settings/ToggleSwitch.h"
#include "App/Shell/KeyEquivalents.h"
#include "App/Shell/Popover.h"
#include "App/Updates/AppUpdater.h"
#include "Core/LoginItem/LoginItem.h"
#include "GlobalShortcuts/GlobalShortcuts.h"
#include "GlobalShortcuts/RecorderField.h"
#include "Platform/SystemLog.h"
#include "Shared/Settings/AppGroup.h"
#include "settingswindow/SettingsTestSupport.h"
#include "support/Alerts.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"

namespace {

using namespace std::chrono_literals;
using settings_test::named;

ToggleSwitch& switchNamed(const QWidget& page, const char* label) {
    for (ToggleSwitch* control : page.findChildren<ToggleSwitch*>())
        if (control->accessibleName() == QString::fromUtf8(label)) return *control;
    throw std::runtime_error(std::string("no switch ") + label);
}

// The colour of an icon's most opaque pixel: its tint.
QColor inkOf(const QIcon& icon) {
    const QImage image = icon.pixmap(QSize(16, 16)).toImage();
    QColor ink(Qt::transparent);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > ink.alpha()) ink = image.pixelColor(x, y);
    return ink;
}

class SettingsWindows : public ::testing::Test {
protected:
    void SetUp() override { app_test::installMainQueueOnQt(); }
    void TearDown() override { settings_test::closeMessageBoxes(); }
    testing_support::TempHome home;
    AppUpdater updater{{"", "1.0", nullptr}};
};

// The hot-key row records for the panel's shortcut and refuses the key equivalents of the
// application's own menu, even though the gear menu exists only while it is shown. While it
// records, those keys are the row's, not the key equivalents' (the window would open otherwise).
TEST_F(SettingsWindows, TheHotKeyRowRefusesTheGearMenusKeys) {
    const KeyEquivalents keyEquivalents(nullptr);
    GeneralSettingsView page(updater);
    page.show();
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    auto* recorder = page.findChild<GlobalShortcuts::RecorderField*>();
    ASSERT_TRUE(recorder);
    EXPECT_EQ(recorder->shortcutName().rawValue, "togglePopover");
    app_test::AlertAnswerer answerer(QStringLiteral("OK"));
    for (const QKeyCombination key :
         {QKeyCombination(Qt::ControlModifier, Qt::Key_Q), QKeyCombination(Qt::ControlModifier, Qt::Key_Comma)}) {
        QTest::mouseClick(recorder, Qt::LeftButton, Qt::NoModifier, QPoint(10, recorder->height() / 2));
        ASSERT_TRUE(app_test::runUntil([&] { return recorder->isRecording(); }));
        QTest::keyClick(page.windowHandle(), key.key(), key.keyboardModifiers());
    }
    ASSERT_EQ(answerer.seen().size(), 2u);
    EXPECT_EQ(answerer.seen()[0].text, "This keyboard shortcut is already used by the menu item “Quit Vellumark”.");
    EXPECT_EQ(answerer.seen()[1].text, "This keyboard shortcut is already used by the menu item “Settings…”.");
    EXPECT_EQ(GlobalShortcuts::getShortcut(ShortcutNames::togglePopoverName()),
              ShortcutNames::togglePopoverName().defaultShortcut);
}

TEST_F(SettingsWindows, GeneralSwitchesApplyWhatTheUserAskedForOverStaleState) {
    GeneralSettingsView page(updater);
    page.show();
    ToggleSwitch& launch = switchNamed(page, "Launch at Login");
    EXPECT_FALSE(launch.isChecked());
    // Switched on elsewhere (the gear menu) while the page stayed open: asking for "on" keeps it on.
    ASSERT_TRUE(LoginItem::setEnabled(true));
    launch.click();
    EXPECT_TRUE(LoginItem::isEnabled());
    EXPECT_TRUE(launch.isChecked());
    launch.click();
    EXPECT_FALSE(LoginItem::isEnabled());
    EXPECT_FALSE(launch.isChecked());

    // The panel saved its sort order meanwhile: flipping a display switch keeps it.
    DisplayPrefs panelChange;
    panelChange.sortMode = SortMode::port;
    panelChange.grouped = false;
    panelChange.save(AppGroup::sharedDefaults());
    switchNamed(page, "Show PID column").click();
    switchNamed(page, "Amber icon while something runs hot").click();
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), (DisplayPrefs{SortMode::port, false, false, true, true}));

    switchNamed(page, "Check for updates automatically").click();
    EXPECT_TRUE(updater.automaticallyChecksForUpdates());

    EXPECT_EQ(named<QLabel>(page, "versionText")->text().toStdString(), "Version " + BuildInfo::version());
    EXPECT_EQ(GeneralSettingsView::versionText(""), QStringLiteral("Version ?"));
}

TEST_F(SettingsWindows, AFailedLaunchAtLoginChangeLeavesTheSwitchOffAndIsLoggedOnce) {
    // A file where the folder should be: no entry can go there, even for root.
    std::ofstream(home.configHome() / "autostart") << "a file where the folder goes";
    GeneralSettingsView page(updater);
    page.show();
    Platform::LogCapture log;
    ToggleSwitch& launch = switchNamed(page, "Launch at Login");
    launch.click();
    EXPECT_FALSE(launch.isChecked());
    EXPECT_FALSE(LoginItem::isEnabled());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with("Vellumark: launch-at-login toggle failed: ")) << log.lines()[0];
}

TEST_F(SettingsWindows, OneSettingsWindowCentredOnTheScreenEachTimeItIsShown) {
    SettingsWindowController& controller = SettingsWindowController::shared();
    controller.show();
    QWidget* window = controller.window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(window->size(), QSize(580, 560));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(controller.view()->count(), 2);
    EXPECT_EQ(controller.view()->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(controller.view()->tabText(1), QStringLiteral("Filters"));
    EXPECT_EQ(controller.view()->currentIndex(), 0);
    const QTabBar* tabs = controller.view()->findChild<QTabBar*>();
    ASSERT_TRUE(tabs);
    EXPECT_LE(std::abs(tabs->geometry().center().x() - SettingsView::width / 2), 4) << "the tabs sit in the middle";

    // The tab icons take the text's colour, again after a switch between the appearances.
    const QPalette original = QApplication::palette();
    for (const bool dark : {true, false}) {
        QApplication::setPalette(QPalette(dark ? QColor(0x20, 0x20, 0x20) : QColor(0xF6, 0xF6, 0xF6)));
        const QColor text = QApplication::palette().color(QPalette::WindowText);
        ASSERT_TRUE(
            app_test::runUntil([&] { return controller.view()->palette().color(QPalette::WindowText) == text; }));
        for (int tab : {0, 1}) {
            const QColor ink = inkOf(controller.view()->tabIcon(tab));
            EXPECT_GT(ink.alpha(), 200) << tab;
            EXPECT_EQ(ink.rgb(), text.rgb()) << (dark ? "dark" : "light") << " appearance, tab " << tab;
        }
    }
    QApplication::setPalette(original);

    window->move(3, 4);
    window->close();
    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(window->isVisible());
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((window->frameGeometry().center() - visible.center()).manhattanLength(), 1);
    window->close();
}

TEST_F(SettingsWindows, TheWelcomeWindowPagesOnReturnAndStartsAfreshOnlyAfterItsEnd) {
    OnboardingWindowController& controller = OnboardingWindowController::shared();
    controller.show();
    QPointer<QWidget> window = controller.window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Welcome to Vellumark"));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->size(), QSize(480, 460));
    EXPECT_EQ(controller.view()->page(), 0);
    settings_test::press(controller.view()->continueButton(), Qt::Key_Return);
    EXPECT_EQ(controller.view()->page(), 1);

    // The close button only hides it: it comes back on the page where the user left it.
    window->close();
    controller.show();
    EXPECT_EQ(controller.window(), window.data());
    EXPECT_EQ(controller.view()->page(), 1);

    settings_test::press(controller.view()->continueButton(), Qt::Key_Return);
    EXPECT_FALSE(controller.window());
    EXPECT_TRUE(app_test::runUntil([&] { return window.isNull(); }));
    controller.show();
    ASSERT_TRUE(controller.window());
    EXPECT_EQ(controller.view()->page(), 0);
    controller.window()->close();
}

// Choosing its items, on a real desktop: SettingsDesktopTests.
TEST_F(SettingsWindows, TheGearMenuOffersItsItemsWithTheirKeysInTheBrandsWordAndIsMadeAfreshEachTime) {
    Popover panel;
    auto* header = new QWidget;
    auto* gear = new SettingsGearButton(header);
    panel.setContentView(header);
    panel.showRelativeTo(QRect(100, 0, 20, 20));
    ASSERT_TRUE(panel.isShown());
    EXPECT_EQ(gear->size(), QSize(26, 26));
    EXPECT_EQ(gear->toolTip(), QStringLiteral("Settings"));

    std::vector<QPointer<QMenu>> opened;
    for (int round = 0; round < 2; ++round) {
        gear->click();
        opened.emplace_back(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        ASSERT_TRUE(opened.back());
        opened.back()->close();
    }
    QMenu& menu = *opened[1];
    QStringList texts;
    for (QAction* action : menu.actions()) texts << (action->isSeparator() ? QStringLiteral("—") : action->text());
    EXPECT_EQ(texts.join(QLatin1Char('|')),
              QStringLiteral("Settings…|Check for Updates…|—|Launch at Login|—|Quit Vellumark"));
    EXPECT_EQ(menu.actions()[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));
    EXPECT_EQ(menu.actions()[5]->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

    // The product word really is drawn apart: the item looks different from one in the plain style.
    QMenu plain;
    plain.addAction(QStringLiteral("Quit Vellumark"), QKeySequence(QStringLiteral("Ctrl+Q")));
    QMenu branded;
    branded.setStyle(menu.style());
    branded.addAction(QStringLiteral("Quit Vellumark"), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_NE(plain.grab().toImage(), branded.grab().toImage());

    // A closed menu is deleted later, by the event loop: here, now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(std::ranges::all_of(opened, [](const QPointer<QMenu>& closed) { return closed.isNull(); }))
        << "each menu is made afresh and goes once closed";
}

}  // namespace
