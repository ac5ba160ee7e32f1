// The tray icon as the user sees it: image, tool tip, accessibility label and the pulse.

#include <gtest/gtest.h>

#include <QSystemTrayIcon>

#include "App/StatusTile/StatusImages.h"
#include "App/StatusTile/StatusItemController.h"
#include "app/support/QtWaiting.h"

namespace {

using StatusTile::Inputs;
using StatusTile::State;

const Inputs newServer{2, std::nullopt, ":5173", std::nullopt};

TEST(StatusImages, FiveDistinctGhostsThatKeepTheirPulseInsideTheCanvas) {
    std::set<QRgb> colours;
    for (const char* state : {"idle", "running", "energy", "new", "conflict"}) {
        const QImage image = StatusImages::image(QString("StatusTile-") + state);
        ASSERT_EQ(image.size(), QSize(64, 64)) << state;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the tray shows through around the ghost";
        colours.insert(image.pixel(32, 32));  // the body between the eyes
    }
    EXPECT_EQ(colours.size(), 5u);
    EXPECT_TRUE(StatusImages::image("StatusTile-sleeping").isNull());

    // Scaled to the peak about its centre, the ghost still fits.
    const QImage peak = StatusImages::pulseFrame(StatusImages::image("StatusTile-new", 128), 1.18, 0.55);
    for (int i = 0; i < 128; ++i) {
        for (const QPoint edge : {QPoint(i, 0), QPoint(i, 127), QPoint(0, i), QPoint(127, i)}) {
            ASSERT_EQ(qAlpha(peak.pixel(edge)), 0) << edge.x() << "," << edge.y();
        }
    }
    EXPECT_NEAR(qAlpha(peak.pixel(64, 64)), 0.55 * 255, 2);
}

class StatusItem : public ::testing::Test {
protected:
    void SetUp() override { app_test::installMainQueueOnQt(); }
    QSystemTrayIcon icon;
};

TEST_F(StatusItem, AskedForAPulseItRunsItsFramesThenRestsOnTheStateImage) {
    StatusItemController tile(&icon, [] { return false; });
    tile.apply(State::newServer, newServer, false);
    EXPECT_FALSE(tile.isPulsing()) << "no pulse unless asked for";
    tile.apply(State::newServer, newServer, true);
    EXPECT_TRUE(tile.isPulsing());
    EXPECT_EQ(icon.toolTip(), QString::fromUtf8("Vellumark · new server on :5173"));
    bool moved = false;
    ASSERT_TRUE(app_test::runUntil([&] {
        moved = moved || tile.shownImage() != StatusImages::image("StatusTile-new");
        return !tile.isPulsing();
    }));
    EXPECT_TRUE(moved);
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-new"));

    tile.apply(State::newServer, newServer, true);
    tile.apply(State::conflict, Inputs{2, ":5173 used by a + b", std::nullopt, std::nullopt}, false);
    ASSERT_TRUE(app_test::runUntil([&] { return !tile.isPulsing(); }));
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-conflict")) << "the pulse goes on with the new image";
    EXPECT_EQ(tile.accessibilityLabel(), QString::fromUtf8("Vellumark · port conflict on :5173 used by a + b"));
}

TEST_F(StatusItem, WithReducedMotionTheImageChangesButNothingMoves) {
    StatusItemController tile(&icon, [] { return true; });
    tile.apply(State::newServer, newServer, true);
    EXPECT_FALSE(tile.isPulsing());
    EXPECT_EQ(tile.pulseFramesShown(), 0);
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-new"));
    EXPECT_EQ(icon.toolTip(), QString::fromUtf8("Vellumark · new server on :5173"));
}

TEST_F(StatusItem, WithoutItsButtonApplyDoesNothingAtAll) {
    auto* button = new QSystemTrayIcon;
    StatusItemController tile(button, [] { return false; });
    tile.apply(State::running, Inputs{1, std::nullopt, std::nullopt, std::nullopt}, false);
    delete button;
    tile.apply(State::newServer, newServer, true);
    EXPECT_EQ(tile.state(), State::running);
    EXPECT_FALSE(tile.isPulsing());
}

}  // namespace
