// The tray icon as the user sees it (image, tool tip, accessibility label, the pulse), and showing it
// when a tray host turns up late.

#include <gtest/gtest.h>

#include <QSystemTrayIcon>

#include <algorithm>

#include "App/Shell/TrayAttachment.h"
#include "App/StatusTile/StatusImages.h"
#include "App/StatusTile/StatusItemController.h"
#include "Platform/SystemLog.h"
#include "support/QtWaiting.h"

namespace {

using namespace std::chrono_literals;
using StatusTile::Inputs;
using StatusTile::State;

const Inputs newServer{2, std::nullopt, ":5173", std::nullopt};

TEST(StatusItem, AskedForAPulseItRunsItsFramesThenRestsOnTheStateImageUnlessMotionIsReduced) {
    app_test::installMainQueueOnQt();
    QSystemTrayIcon icon, still;
    StatusItemController tile(&icon, [] { return false; }), calm(&still, [] { return true; });
    tile.apply(State::newServer, newServer, true);
    EXPECT_TRUE(tile.isPulsing());
    tile.apply(State::conflict, Inputs{2, ":5173 used by a + b", std::nullopt, std::nullopt}, false);
    ASSERT_TRUE(app_test::runUntil([&] { return !tile.isPulsing(); }));
    EXPECT_GT(tile.pulseFramesShown(), 1);
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-conflict")) << "the pulse goes on with the new image";
    EXPECT_EQ(tile.accessibilityLabel(), QString::fromUtf8("Vellumark · port conflict on :5173 used by a + b"));

    calm.apply(State::newServer, newServer, true);
    EXPECT_FALSE(calm.isPulsing());
    EXPECT_EQ(calm.pulseFramesShown(), 0);
    EXPECT_EQ(calm.shownImage(), StatusImages::image("StatusTile-new"));
    EXPECT_EQ(still.toolTip(), QString::fromUtf8("Vellumark · new server on :5173"));
}

TEST(TrayAttachment, ALateTrayGetsTheIconAfterOneLogLineAndPatientLooking) {
    Platform::LogCapture log;
    QSystemTrayIcon late;
    int checks = 0, signalled = 0;
    bool trayStarted = false;
    TrayAttachment attachment(late, TrayRetry{5ms, 3, 20ms}, [&] { return ++checks, trayStarted; });
    QObject::connect(&attachment, &TrayAttachment::attached, [&] { ++signalled; });
    attachment.start();
    ASSERT_TRUE(app_test::runUntil([&] { return attachment.isLookingPatiently() && checks >= 6; }, 5s));
    EXPECT_FALSE(late.isVisible());
    EXPECT_EQ(std::ranges::count_if(log.lines(),
                                    [](const std::string& line) {
                                        return line.starts_with(
                                            "Vellumark: no system tray found; running without a tray icon");
                                    }),
              1);
    trayStarted = true;
    ASSERT_TRUE(app_test::runUntil([&] { return attachment.isAttached(); }, 5s));
    EXPECT_TRUE(late.isVisible());
    EXPECT_EQ(signalled, 1);
    EXPECT_FALSE(attachment.isLooking());
}

}  // namespace
