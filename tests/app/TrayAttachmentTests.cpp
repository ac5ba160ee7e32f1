// Showing the tray icon when a tray host turns up late, and running on without one meanwhile.

#include <gtest/gtest.h>

#include <QSystemTrayIcon>

#include <algorithm>

#include "App/Shell/TrayAttachment.h"
#include "Platform/SystemLog.h"
#include "app/support/QtWaiting.h"

namespace {

using namespace std::chrono_literals;

TEST(TrayAttachment, ATrayThatIsThereAtOnceOrAppearsLateGetsTheIcon) {
    QSystemTrayIcon icon;
    TrayAttachment present(icon, TrayRetry{10ms, 5, 10ms}, [] { return true; });
    present.start();
    EXPECT_TRUE(present.isAttached());
    EXPECT_FALSE(present.isLooking());

    QSystemTrayIcon late;
    int checks = 0, signalled = 0;
    TrayAttachment attachment(late, TrayRetry{10ms, 5, 10ms}, [&] { return ++checks >= 3; });
    QObject::connect(&attachment, &TrayAttachment::attached, [&] { ++signalled; });
    attachment.start();
    EXPECT_FALSE(attachment.isAttached());
    ASSERT_TRUE(app_test::runUntil([&] { return attachment.isAttached(); }, 5s));
    EXPECT_EQ(checks, 3);
    EXPECT_EQ(signalled, 1);
    EXPECT_TRUE(late.isVisible());
    EXPECT_FALSE(attachment.isLooking());
}

TEST(TrayAttachment, AfterItsQuickAttemptsItSaysSoOnceAndGoesOnLookingPatiently) {
    Platform::LogCapture log;
    QSystemTrayIcon icon;
    int checks = 0;
    bool trayStarted = false;
    TrayAttachment attachment(icon, TrayRetry{5ms, 3, 20ms}, [&] { return ++checks, trayStarted; });
    attachment.start();
    ASSERT_TRUE(app_test::runUntil([&] { return attachment.isLookingPatiently() && checks >= 6; }, 5s));
    EXPECT_FALSE(icon.isVisible());
    EXPECT_EQ(std::ranges::count_if(log.lines(), [](const std::string& line) {
                  return line.starts_with("Vellumark: no system tray found; running without a tray icon");
              }), 1);
    trayStarted = true;
    ASSERT_TRUE(app_test::runUntil([&] { return attachment.isAttached(); }, 5s));
    EXPECT_TRUE(icon.isVisible());
    EXPECT_FALSE(attachment.isLooking());
}

}  // namespace
