// Every widget of the panel in its states, in both appearances, photographed to
// screenshots/panel-widgets-{light,dark}.png and screenshots/warning-card-{light,dark}.png in the
// build folder so that people can look at them, and the whole panel, grouped and flat, with a
// conflict, a ghost row, a hovered and an armed row, and the warning card over it
// (screenshots/panel-{grouped,flat,warning}-{light,dark}.png); the pictures are also checked for the
// colours that matter.

#include <gtest/gtest.h>
#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <chrono>
#include <memory>

#include "App/Panel/Controls/HoverButton.h"
#include "App/Panel/Controls/RescanButton.h"
#include "App/Panel/Controls/SearchField.h"
#include "App/Panel/Controls/StopAllButton.h"
#include "App/Panel/Controls/ViewToggle.h"
#include "App/Panel/List/ServerList.h"
#include "App/Panel/MenuContentView.h"
#include "App/Panel/Rows/GhostRow.h"
#include "App/Panel/ServerArea.h"
#include "App/Panel/States/ConflictBanner.h"
#include "App/Panel/Warning/KillWarningOverlay.h"
#include "App/Shell/Popover.h"
#include "Core/Restart/RestartTracker.h"
#include "Look/PointingCursor.h"
#include "PanelTestSupport.h"
#include "support/QtWaiting.h"
#include "support/ScreenshotFolder.h"
#include "support/TempHome.h"

namespace {

using namespace panel_test;
using namespace std::chrono_literals;
using testing_support::screenshotFolder;

constexpr int panelWidth = 440;

// The panel's card, with the list's 12 px sides.
std::unique_ptr<QWidget> panel(bool dark) {
    auto window = std::make_unique<QWidget>();
    window->setPalette(panelPalette(dark));
    window->setAutoFillBackground(true);
    window->setFixedWidth(panelWidth);
    return window;
}

QHBoxLayout* line(QVBoxLayout* column) {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    column->addLayout(row);
    return row;
}

QColor pixel(const QImage& image, QWidget* widget, QPoint inWidget) {
    const QPoint at = widget->mapTo(widget->window(), inWidget);
    return image.pixelColor(at * image.devicePixelRatio());
}

TEST(PanelWidgetsGallery, EveryWidgetInBothAppearances) {
    for (const bool dark : {false, true}) {
        PanelStandIn owner;
        auto window = panel(dark);
        auto* column = new QVBoxLayout(window.get());
        column->setContentsMargins(12, 12, 12, 12);
        column->setSpacing(6);

        auto* header = line(column);
        auto* rescan = new RescanButton;
        auto* rescanHovered = new RescanButton;
        auto* stopAll = new StopAllButton;
        auto* stopAllHovered = new StopAllButton;
        auto* stopAllDisabled = new StopAllButton;
        stopAllDisabled->setDisabledReason(QStringLiteral("kept running"));
        for (QWidget* control :
             std::initializer_list<QWidget*>{rescan, rescanHovered, stopAll, stopAllHovered, stopAllDisabled})
            header->addWidget(control);
        header->addStretch(1);

        auto* footer = line(column);
        auto* search = new SearchField;
        auto* searchTyped = new SearchField;
        searchTyped->setText(QStringLiteral("5173"));
        auto* toggle = new ViewToggle;
        auto* toggleFlat = new ViewToggle;
        toggleFlat->setGrouped(false);
        footer->addWidget(search);
        footer->addWidget(searchTyped);
        footer->addWidget(toggle);
        footer->addWidget(toggleFlat);

        RowTrackerState trackers;
        trackers.now = std::chrono::system_clock::now();
        std::vector<ServerRowView*> rows;
        auto addRow = [&](ServerRowView::Inputs inputs) {
            auto* row = new ServerRowView(inputs, owner.actions(), trackers);
            column->addWidget(row);
            rows.push_back(row);
            owner.rows.push_back(row);
            return row;
        };
        ServerRowView::Inputs rest = rowInputs(server(4312, {5173}, "vite"));
        rest.isNew = true;
        addRow(rest);
        ServerRowView::Inputs flatHovered = rowInputs(server(4313, {5174}, "vite"));
        flatHovered.showProject = true;
        ServerRowView* hovered = addRow(flatHovered);
        ServerRowView::Inputs flatArmed = rowInputs(server(4314, {3000}, "next-server"));
        flatArmed.showProject = true;
        ServerRowView* armed = addRow(flatArmed);
        ServerRowView* selected = addRow(rowInputs(server(4315, {3001}, "next-server")));
        addRow(rowInputs(container(77, {5432})));
        ServerRowView::Inputs stopping = rowInputs(server(4316, {8080}, "python3"));
        stopping.dimmed = true;
        addRow(stopping);
        addRow(rowInputs(server(4317, {4000}, "ruby")));
        ServerRowView::Inputs hot = rowInputs(server(4318, {9229}, "node"));
        hot.energyHigh = true;
        hot.server.cpu = 31.25;
        addRow(hot);
        ServerRowView::Inputs flat = rowInputs(server(4319, {3000}, "bun"));
        flat.showProject = true;
        flat.inConflict = true;
        addRow(flat);

        trackers.selectedID = selected->rowID();
        trackers.stopping[4316] = trackers.now + 5s;
        trackers.restarts.push_back(restartEntry(RestartEntry::Phase::relaunching(), {4000}, 4317));
        trackers.recentlyRestarted[4318] = trackers.now + 5s;

        column->addWidget(new GhostRow(restartEntry(RestartEntry::Phase::stopping(), {5175}, 1)));
        column->addWidget(new GhostRow(restartEntry(RestartEntry::Phase::relaunching(), {}, 2)));
        column->addWidget(new GhostRow(restartEntry(RestartEntry::Phase::failed("didn't come back"), {5176}, 3)));

        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        searchTyped->setFocused(true);
        sendEnter(rescanHovered);
        sendEnter(stopAllHovered);
        sendEnter(hovered);
        // Armed only now: the pointer entering another row closes an armed confirmation.
        owner.armed = armed->rowID();
        for (ServerRowView* row : rows) row->refresh(trackers);
        QApplication::processEvents();

        const QImage image = window->grab().toImage();
        const std::string name = dark ? "dark" : "light";
        ASSERT_TRUE(
            image.save(QString::fromStdString((screenshotFolder() / ("panel-widgets-" + name + ".png")).string())));

        // The armed row's red wash, the selected row's green one, a plain row's card.
        const QColor card = Theme::color(ThemeColor::card, dark);
        const QColor armedPixel = pixel(image, armed, QPoint(armed->width() / 2, 2));
        EXPECT_GT(armedPixel.red() - armedPixel.green(), dark ? 5 : 8) << name;
        const QColor selectedPixel = pixel(image, selected, QPoint(selected->width() / 2, 2));
        EXPECT_GT(selectedPixel.green() - selectedPixel.red(), 5) << name;
        EXPECT_EQ(pixel(image, rows.front(), QPoint(rows.front()->width() / 2, 1)), card) << name;

        // Every clickable control shows the pointing hand.
        for (HoverButton* button : window->findChildren<HoverButton*>())
            EXPECT_TRUE(button->findChild<PointingCursor*>()) << button->metaObject()->className();

        // The warning card over the whole panel: the panel around it darkened to 55 %.
        auto* overlay = new KillWarningOverlay(window.get());
        overlay->present(false, 9);
        QApplication::processEvents();
        const QImage warned = window->grab().toImage();
        ASSERT_TRUE(
            warned.save(QString::fromStdString((screenshotFolder() / ("warning-card-" + name + ".png")).string())));
        const QColor dimmed = pixel(warned, window.get(), QPoint(3, 3));
        EXPECT_NEAR(dimmed.red(), card.red() * 0.55, 3) << name;
        EXPECT_NEAR(dimmed.blue(), card.blue() * 0.55, 3) << name;
        const QColor cardMiddle =
            pixel(warned, overlay->card(), QPoint(overlay->card()->width() - 4, overlay->card()->height() / 2));
        EXPECT_EQ(cardMiddle, card) << name;
    }
}

// The panel as it opens on a working day: two projects, a port claimed twice, a restart under way.
TEST(PanelWidgetsGallery, TheWholePanelGroupedFlatAndWarnedInBothAppearances) {
    testing_support::TempHome home;
    app_test::installMainQueueOnQt();
    DevServer vite = server(4312, {5173, 5174}, "vite");
    vite.cpu = 31.5;
    DevServer next = server(4388, {3000}, "next-server");
    DevServer api = server(5120, {3000}, "node");
    api.uptimeSeconds = 40;
    DevServer worker = server(5190, {8080}, "python3");
    const ProcessSnapshot snapshot{Platform::Date{},
                                   {{"storefront", (home.home() / "Development/storefront").string(), {vite, next}},
                                    {"api", (home.home() / "Development/api").string(), {api, worker}}}};
    RestartEntry ghost = restartEntry(RestartEntry::Phase::relaunching(), {4000}, 4400);
    ghost.command = "rails";
    ghost.projectPath = snapshot.projects[1].path;
    RestartTracker::shared().begin(ghost);

    for (const bool dark : {false, true}) {
        const std::string appearance = dark ? "dark" : "light";
        PanelModel::Environment environment;
        environment.readSnapshot = [&] { return std::optional(snapshot); };
        Popover popover;
        MenuContentView& view = showPanel(popover, environment);
        view.setPalette(panelPalette(dark));
        ASSERT_TRUE(app_test::runUntil([&] { return view.serverArea()->list()->ghost(ghost.id); }));
        ServerList& list = *view.serverArea()->list();
        for (const bool grouped : {true, false}) {
            view.model().setGrouped(grouped);
            sendEnter(list.row(grouped ? "4312:5174" : "5120:3000"));
            view.model().setKillArmedRowID(grouped ? "5190:8080" : "4388:3000");  // after: entering a row disarms
            settleLayouts();
            ASSERT_EQ(popover.height(), view.sizeHint().height());
            const QImage image = view.grab().toImage();
            const std::string name = std::string("panel-") + (grouped ? "grouped-" : "flat-") + appearance + ".png";
            ASSERT_TRUE(image.save(QString::fromStdString((screenshotFolder() / name).string())));
            // The banner's red wash under its text, on the card's colour.
            ConflictBanner* banner = view.serverArea()->conflictBanner();
            const QColor wash = pixel(image, banner, QPoint(banner->width() - 24, banner->height() / 2));
            EXPECT_GT(wash.red() - wash.green(), dark ? 4 : 6) << name;
            sendLeave(list.row(grouped ? "4312:5174" : "5120:3000"));
        }
        view.model().setKillArmedRowID(std::nullopt);
        view.model().killServer(api, 15);
        settleLayouts();
        ASSERT_TRUE(view.isShowingWarning());
        const QImage warned = view.grab().toImage();
        ASSERT_TRUE(warned.save(
            QString::fromStdString((screenshotFolder() / ("panel-warning-" + appearance + ".png")).string())));
        view.model().cancelPendingKill();
    }
    RestartTracker::shared().remove(ghost.id);
}

}  // namespace
