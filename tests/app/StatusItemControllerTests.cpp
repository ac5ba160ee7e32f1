// The tray icon as the user sees it: image, tool tip, accessibility label and the pulse.

#include <gtest/gtest.h>

#include <QSystemTrayIcon>

#include "App/StatusTile/StatusImages.h"
#include "App/StatusTile/StatusItemController.h"
#include "app/support/QtWaiting.h"

namespace {

using namespace std::chrono_literals;
using StatusTile::Inputs;
using StatusTile::State;

const QString names[] = {"StatusTile-idle", "StatusTile-running", "StatusTile-energy", "StatusTile-new",
                         "StatusTile-conflict"};

QColor centre(const QImage& image) { return image.pixelColor(image.width() / 2, image.height() / 2); }

// The smallest rectangle holding every pixel that is not fully transparent.
QRect paintedArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) area |= QRect(x, y, 1, 1);
    return area;
}

class StatusItem : public ::testing::Test {
protected:
    void SetUp() override { app_test::installMainQueueOnQt(); }

    StatusItemController& controller(bool reduceMotion = false) {
        controller_ = std::make_unique<StatusItemController>(&icon, [reduceMotion] { return reduceMotion; });
        return *controller_;
    }

    QSystemTrayIcon icon;
    std::unique_ptr<StatusItemController> controller_;
};

TEST(StatusImages, FiveDistinctFullColourGhosts) {
    std::vector<QRgb> colours;
    for (const QString& name : names) {
        const QImage image = StatusImages::image(name);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_EQ(image.size(), QSize(64, 64));
        // The tray shows through around the ghost.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(63, 63)), 0);
        // The body is filled with the state's colour (the centre lies between the eyes).
        EXPECT_EQ(centre(image).rgb(), StatusImages::fillColour(name).rgb()) << name.toStdString();
        colours.push_back(centre(image).rgb());
    }
    std::sort(colours.begin(), colours.end());
    EXPECT_EQ(std::unique(colours.begin(), colours.end()), colours.end());
}

TEST(StatusImages, UnknownNamesAndSizesGiveNoImage) {
    EXPECT_TRUE(StatusImages::image("StatusTile-sleeping").isNull());
    EXPECT_TRUE(StatusImages::image("").isNull());
    EXPECT_TRUE(StatusImages::image("StatusTile-idle", 0).isNull());
    EXPECT_FALSE(StatusImages::fillColour("nope").isValid());
    EXPECT_TRUE(StatusImages::pulseFrame(QImage(), 1.18, 0.55).isNull());
    EXPECT_EQ(StatusImages::image("StatusTile-idle", 22).size(), QSize(22, 22));
}

TEST(StatusImages, ThePulsePeakStillFitsTheCanvas) {
    const QImage image = StatusImages::image("StatusTile-new", 128);
    const QRect rest = paintedArea(image);
    const QImage peak = StatusImages::pulseFrame(image, 1.18, 1.0);
    const QRect grown = paintedArea(peak);
    EXPECT_GT(grown.width(), rest.width());
    EXPECT_GT(grown.height(), rest.height());
    // Scaled about its centre, and nothing cut off at the canvas's edges.
    EXPECT_NEAR(grown.center().x(), rest.center().x(), 1);
    EXPECT_NEAR(grown.center().y(), rest.center().y(), 1);
    EXPECT_GT(grown.left(), 0);
    EXPECT_GT(grown.top(), 0);
    EXPECT_LT(grown.right(), 127);
    EXPECT_LT(grown.bottom(), 127);
}

TEST(StatusImages, ThePulseFadesTheImage) {
    const QImage image = StatusImages::image("StatusTile-new", 64);
    const QImage faded = StatusImages::pulseFrame(image, 1.0, 0.55);
    EXPECT_NEAR(qAlpha(faded.pixel(32, 32)), 0.55 * 255, 2);
    EXPECT_EQ(qAlpha(StatusImages::pulseFrame(image, 1.0, 1.0).pixel(32, 32)), 255);
}

TEST_F(StatusItem, EachStateShowsItsImageAndTexts) {
    StatusItemController& tile = controller();
    tile.apply(State::energy, Inputs{2, std::nullopt, std::nullopt, "shop"}, false);
    EXPECT_EQ(tile.state(), State::energy);
    EXPECT_EQ(icon.toolTip(), QString::fromUtf8("Vellumark · high CPU: shop"));
    EXPECT_EQ(tile.accessibilityLabel(), QString::fromUtf8("Vellumark · high CPU: shop"));
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-energy"));
    EXPECT_FALSE(icon.icon().isNull());

    tile.apply(State::conflict, Inputs{2, ":3000 used by shop + blog", std::nullopt, std::nullopt}, false);
    EXPECT_EQ(icon.toolTip(), QString(":3000 used by shop + blog"));
    EXPECT_EQ(tile.accessibilityLabel(), QString::fromUtf8("Vellumark · port conflict on :3000 used by shop + blog"));
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-conflict"));

    tile.apply(State::idle, Inputs{}, false);
    EXPECT_EQ(icon.toolTip(), QString::fromUtf8("Vellumark · no live servers"));
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-idle"));
}

TEST_F(StatusItem, WithoutItsButtonApplyDoesNothingAtAll) {
    auto* button = new QSystemTrayIcon;
    StatusItemController tile(button, [] { return false; });
    tile.apply(State::running, Inputs{1, std::nullopt, std::nullopt, std::nullopt}, false);
    delete button;
    tile.apply(State::newServer, Inputs{2, std::nullopt, ":5173", std::nullopt}, true);
    EXPECT_EQ(tile.state(), State::running);  // not even stored
    EXPECT_FALSE(tile.isPulsing());
}

TEST_F(StatusItem, PulseRunsItsFramesThenRestsOnTheStateImage) {
    StatusItemController& tile = controller(false);
    tile.apply(State::newServer, Inputs{2, std::nullopt, ":5173", std::nullopt}, true);
    EXPECT_TRUE(tile.isPulsing());
    EXPECT_EQ(icon.toolTip(), QString::fromUtf8("Vellumark · new server on :5173"));
    // Some frame on the way differs from the resting image.
    bool moved = false;
    ASSERT_TRUE(app_test::runUntil([&] {
        moved = moved || tile.shownImage() != StatusImages::image("StatusTile-new");
        return !tile.isPulsing();
    }));
    EXPECT_TRUE(moved);
    EXPECT_GT(tile.pulseFramesShown(), 3);
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-new"));
}

TEST_F(StatusItem, AStateChangeDuringThePulseKeepsPulsingTheNewImage) {
    StatusItemController& tile = controller(false);
    tile.apply(State::newServer, Inputs{2, std::nullopt, ":5173", std::nullopt}, true);
    tile.apply(State::conflict, Inputs{2, ":5173 used by a + b", std::nullopt, std::nullopt}, false);
    EXPECT_TRUE(tile.isPulsing());
    ASSERT_TRUE(app_test::runUntil([&] { return !tile.isPulsing(); }));
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-conflict"));
}

TEST_F(StatusItem, ReducedMotionChangesTheImageButNothingMoves) {
    StatusItemController& tile = controller(true);
    tile.apply(State::newServer, Inputs{2, std::nullopt, ":5173", std::nullopt}, true);
    EXPECT_FALSE(tile.isPulsing());
    EXPECT_EQ(tile.pulseFramesShown(), 0);
    EXPECT_EQ(tile.shownImage(), StatusImages::image("StatusTile-new"));
    EXPECT_EQ(icon.toolTip(), QString::fromUtf8("Vellumark · new server on :5173"));
}

TEST_F(StatusItem, NoPulseUnlessAskedFor) {
    StatusItemController& tile = controller(false);
    tile.apply(State::newServer, Inputs{2, std::nullopt, ":5173", std::nullopt}, false);
    EXPECT_FALSE(tile.isPulsing());
}

}  // namespace
