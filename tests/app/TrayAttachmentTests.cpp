// Showing the tray icon when a tray host turns up late, and running on without one.

#include <gtest/gtest.h>

#include <QSystemTrayIcon>

#include "App/Shell/TrayAttachment.h"
#include "Platform/SystemLog.h"
#include "app/support/QtWaiting.h"

namespace {

using namespace std::chrono_literals;

TEST(TrayAttachment, ATrayThatAppearsLateGetsTheIcon) {
    QSystemTrayIcon icon;
    int checks = 0;
    TrayAttachment attachment(icon, TrayRetry{10ms, 5}, [&] { return ++checks >= 3; });
    int signalled = 0;
    QObject::connect(&attachment, &TrayAttachment::attached, [&] { ++signalled; });
    attachment.start();
    EXPECT_FALSE(attachment.isAttached());
    EXPECT_TRUE(attachment.isLooking());
    ASSERT_TRUE(app_test::runUntil([&] { return attachment.isAttached(); }, 5s));
    EXPECT_EQ(checks, 3);
    EXPECT_EQ(signalled, 1);
    EXPECT_TRUE(icon.isVisible());
    EXPECT_FALSE(attachment.isLooking());
}

TEST(TrayAttachment, APresentTrayIsUsedAtOnce) {
    QSystemTrayIcon icon;
    TrayAttachment attachment(icon, TrayRetry{10ms, 5}, [] { return true; });
    attachment.start();
    EXPECT_TRUE(attachment.isAttached());
    EXPECT_FALSE(attachment.isLooking());
    // Starting again changes nothing.
    attachment.start();
    EXPECT_TRUE(attachment.isAttached());
}

TEST(TrayAttachment, GivesUpAfterItsAttemptsAndSaysSoOnce) {
    Platform::LogCapture log;
    QSystemTrayIcon icon;
    int checks = 0;
    TrayAttachment attachment(icon, TrayRetry{5ms, 3}, [&] {
        ++checks;
        return false;
    });
    attachment.start();
    ASSERT_TRUE(app_test::runUntil([&] { return !attachment.isLooking(); }, 5s));
    app_test::runFor(50ms);
    EXPECT_EQ(checks, 4);  // the first look and three more
    EXPECT_FALSE(attachment.isAttached());
    EXPECT_FALSE(icon.isVisible());
    int lines = 0;
    for (const std::string& line : log.lines()) lines += line == "Vellumark: no system tray found; running without a tray icon";
    EXPECT_EQ(lines, 1);
}

TEST(TrayAttachment, NoRetriesMeansOneLook) {
    Platform::LogCapture log;
    QSystemTrayIcon icon;
    int checks = 0;
    TrayAttachment attachment(icon, TrayRetry{5ms, 0}, [&] {
        ++checks;
        return false;
    });
    attachment.start();
    EXPECT_FALSE(attachment.isLooking());
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(log.contains("no system tray found"));
}

}  // namespace
