// A server row's marks, metrics, states and actions, driven as the list and the pointer drive it.

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Controls/TextButton.h"
#include "App/Panel/Rows/CopyURLButton.h"
#include "App/Panel/Rows/GhostCancelButton.h"
#include "App/Panel/Rows/KillArmButton.h"
#include "App/Panel/Rows/KillConfirmCluster.h"
#include "App/Panel/Rows/RestartServerButton.h"
#include "App/Panel/Rows/RevealFolderButton.h"
#include "App/Panel/Rows/RowMetricsView.h"
#include "App/Panel/Rows/RowProgress.h"
#include "Controls/CapsuleLabel.h"
#include "Controls/TextView.h"
#include "Look/Brand.h"
#include "PanelTestSupport.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace {

using namespace panel_test;
using namespace std::chrono_literals;

template <typename Part = QWidget>
Part* part(const ServerRowView& row, const char* name) {
    return row.findChild<Part*>(QString::fromLatin1(name));
}

bool shown(const ServerRowView& row, const char* name) {
    const QWidget* found = part(row, name);
    return found && found->isVisibleTo(&row);
}

RowTrackerState noTrackers() {
    RowTrackerState trackers;
    trackers.now = std::chrono::system_clock::now();
    return trackers;
}

struct Row {
    PanelStandIn owner;
    std::unique_ptr<ServerRowView> view;

    explicit Row(const ServerRowView::Inputs& inputs)
        : view(std::make_unique<ServerRowView>(inputs, owner.actions(), noTrackers())) {
        owner.rows.push_back(view.get());
        view->resize(416, ServerRowView::rowHeight);
        view->show();
    }
};

TEST(ServerRow, MarksGiveWayToTheActionButtonsUnderThePointerButThePillStays) {
    testing_support::TempDir folder;
    // A real process: the restart button is there only for one that a restart could bring back.
    testing_support::ChildProcess vite({"/bin/sleep", "300"}, folder.path());
    ASSERT_TRUE(vite.started());
    const pid_t pid = vite.pid();
    ServerRowView::Inputs inputs = rowInputs(server(pid, {5173, 5174}, "vite"), folder.path().string());
    inputs.isNew = true;
    inputs.server.commandLine = "/bin/sleep 300";
    inputs.server.cwd = folder.path().string();
    Row row(inputs);
    RowTrackerState trackers = noTrackers();
    trackers.recentlyRestarted[pid] = trackers.now + 5s;
    row.view->refresh(trackers);

    EXPECT_EQ(row.view->rowID(), std::to_string(pid) + ":5173");
    EXPECT_EQ(part<TextButton>(*row.view, "port")->text(), ":5173");
    EXPECT_TRUE(shown(*row.view, "new"));
    EXPECT_FALSE(shown(*row.view, "container"));
    EXPECT_EQ(part<TextView>(*row.view, "pid")->text(), QStringLiteral("#") + QString::number(pid));
    EXPECT_TRUE(shown(*row.view, "pid"));
    EXPECT_TRUE(shown(*row.view, "restarted"));
    EXPECT_FALSE(shown(*row.view, "project")) << "the grouped list names the project in its header";
    EXPECT_EQ(row.view->trailing(), RowTrailing::metrics);

    sendEnter(row.view.get());
    EXPECT_EQ(row.view->trailing(), RowTrailing::actions);
    for (const char* mark : {"new", "pid", "metrics"}) EXPECT_FALSE(shown(*row.view, mark)) << mark;
    EXPECT_TRUE(shown(*row.view, "restarted"));
    EXPECT_TRUE(part<TextButton>(*row.view, "port")->isUnderlined());
    auto* reveal = row.view->findChild<RevealFolderButton*>();
    auto* restart = row.view->findChild<RestartServerButton*>();
    auto* arm = row.view->findChild<KillArmButton*>();
    ASSERT_TRUE(reveal && restart && arm);
    EXPECT_TRUE(row.view->findChild<CopyURLButton*>()->isVisibleTo(row.view.get()));
    EXPECT_TRUE(reveal->isVisibleTo(row.view.get()));
    EXPECT_EQ(reveal->toolTip(), "Reveal shop in the file manager");
    EXPECT_EQ(reveal->accessibleName(), "Reveal shop in the file manager");
    EXPECT_TRUE(restart->isVisibleTo(row.view.get()));
    EXPECT_EQ(restart->toolTip(), "Restart vite (stop, then relaunch in its folder)");
    EXPECT_EQ(restart->accessibleName(), "Restart vite");
    QTest::mouseClick(restart, Qt::LeftButton);
    EXPECT_EQ(row.owner.restarted, std::vector<std::int32_t>{pid});
    EXPECT_TRUE(arm->isEnabled());
    EXPECT_EQ(arm->toolTip(), "Stop this server, gracefully or by force");
    EXPECT_EQ(arm->accessibleName(), "Stop this server");

    // A folder that is gone, and a command line without a plan, hide reveal and restart.
    inputs.project.path = "service://redis-server";
    inputs.server.commandLine = "redis-server $(cat conf)";
    row.view->setInputs(inputs, trackers);
    EXPECT_FALSE(reveal->isVisibleTo(row.view.get()));
    EXPECT_FALSE(restart->isVisibleTo(row.view.get()));
    // A container has no process id but a container mark, and restarts through the panel.
    Row box(rowInputs(container(70, {5432})));
    EXPECT_TRUE(shown(*box.view, "container"));
    EXPECT_FALSE(shown(*box.view, "pid"));
    sendEnter(box.view.get());
    EXPECT_TRUE(box.view->findChild<RestartServerButton*>()->isVisibleTo(box.view.get()));
    EXPECT_FALSE(shown(*box.view, "container"));
    sendLeave(box.view.get());
    EXPECT_TRUE(shown(*box.view, "container"));
    EXPECT_EQ(box.view->trailing(), RowTrailing::metrics);

    // The pill lasts until its date, not a moment longer.
    trackers.recentlyRestarted[pid] = trackers.now;
    row.view->refresh(trackers);
    EXPECT_FALSE(shown(*row.view, "restarted"));
}

TEST(ServerRow, BusyRowsShowTheirProgressFadedAboveDimmed) {
    ServerRowView::Inputs inputs = rowInputs(server(700, {3000}));
    inputs.dimmed = true;
    Row row(inputs);
    RowTrackerState trackers = noTrackers();
    row.view->refresh(trackers);
    EXPECT_DOUBLE_EQ(row.view->contentOpacity(), 0.45);

    trackers.stopping[700] = trackers.now + 5s;
    row.view->refresh(trackers);
    sendEnter(row.view.get());  // busy wins over hover
    EXPECT_EQ(row.view->trailing(), RowTrailing::processStopping);
    EXPECT_DOUBLE_EQ(row.view->contentOpacity(), 0.55);
    auto* progress = row.view->findChild<RowProgress*>();
    ASSERT_TRUE(progress && progress->isVisibleTo(row.view.get()));
    EXPECT_EQ(progress->note()->text(), "stopping…");
    EXPECT_FALSE(progress->cancelButton()->isVisibleTo(progress));
    EXPECT_FALSE(shown(*row.view, "pid"));

    // A restart entry for the pid says "stopping…" whatever its phase, with its cancel button.
    RestartEntry entry;
    entry.id = "restart-1";
    entry.originalPID = 700;
    entry.phase = RestartEntry::Phase::failed("didn't come back");
    trackers.restarts = {entry};
    trackers.stopping.clear();
    row.view->refresh(trackers);
    EXPECT_EQ(row.view->trailing(), RowTrailing::restartStopping);
    EXPECT_EQ(progress->note()->text(), "stopping…");
    EXPECT_TRUE(progress->cancelButton()->isVisibleTo(progress));
    EXPECT_EQ(progress->cancelButton()->entryID(), "restart-1");

    // A stop deadline that has passed is no longer a stop; a container's restart is "restarting…".
    trackers.restarts.clear();
    trackers.stopping[700] = trackers.now;
    row.view->refresh(trackers);
    EXPECT_EQ(row.view->trailing(), RowTrailing::actions);
    Row box(rowInputs(container(71, {5432})));
    trackers.containerPhases[*box.view->inputs().server.containerID] = ContainerActionTracker::Phase::restarting;
    trackers.stopping[-71] = trackers.now + 5s;  // containers never count as process stops
    box.view->refresh(trackers);
    EXPECT_EQ(box.view->trailing(), RowTrailing::containerAction);
    EXPECT_EQ(box.view->findChild<RowProgress*>()->note()->text(), "restarting…");
    EXPECT_DOUBLE_EQ(box.view->contentOpacity(), 0.55);
}

TEST(ServerRow, ArmedBeatsSelectedBeatsHovered) {
    Row row(rowInputs(server(700, {3000})));
    const QPalette& palette = row.view->palette();
    RowTrackerState trackers = noTrackers();
    EXPECT_EQ(row.view->backgroundColor().alpha(), 0);
    sendEnter(row.view.get());
    EXPECT_EQ(row.view->backgroundColor(), Tint::of(ThemeColor::rowHover).resolve(palette));
    EXPECT_EQ(row.view->outlineColor().alpha(), 0);
    trackers.selectedID = "700:3000";
    row.view->refresh(trackers);
    EXPECT_EQ(row.view->backgroundColor(), Tint::of(ThemeColor::alive, 0.1).resolve(palette));
    EXPECT_EQ(row.view->outlineColor(), Tint::of(ThemeColor::alive, 0.45).resolve(palette));
    row.owner.armed = "700:3000";
    row.view->refresh(trackers);
    EXPECT_EQ(row.view->backgroundColor(), Tint::of(ThemeColor::red, 0.06).resolve(palette));
    EXPECT_EQ(row.view->outlineColor(), Tint::of(ThemeColor::red, 0.25).resolve(palette));
    EXPECT_EQ(row.view->trailing(), RowTrailing::confirmation);
}

TEST(ServerRow, MetricsFollowTheServer) {
    ServerRowView::Inputs inputs = rowInputs(server(700, {3000}));
    inputs.server.cpu = 25.0;
    inputs.server.rss.reset();
    inputs.server.mem = 2.25;
    inputs.server.uptimeSeconds = 30;
    Row row(inputs);
    auto* metrics = row.view->findChild<RowMetricsView*>();
    EXPECT_FALSE(metrics->showsEnergy());
    EXPECT_EQ(metrics->metric("ph-cpu-light")->text, "25.0%");
    EXPECT_EQ(metrics->metric("ph-cpu-light")->color, ThemeColor::red) << "25.0 itself is hot";
    EXPECT_EQ(metrics->metric("ph-memory-light")->text, "2.2%") << "no resident size: the memory share";
    EXPECT_EQ(metrics->metric("ph-clock-light")->text, "<1m");

    inputs.server.cpu = 24.99;
    inputs.server.rss = 3 * 1048576;
    inputs.server.uptimeSeconds = 2 * 3600 + 5 * 60;
    inputs.energyHigh = true;
    row.view->setInputs(inputs, noTrackers());
    EXPECT_EQ(metrics->metric("ph-cpu-light")->text, "25.0%");
    EXPECT_EQ(metrics->metric("ph-cpu-light")->color, ThemeColor::faint);
    EXPECT_EQ(metrics->metric("ph-memory-light")->text, "3 MB");
    EXPECT_EQ(metrics->metric("ph-clock-light")->text, "2h 5m");
    EXPECT_TRUE(metrics->showsEnergy());

    inputs.server.uptimeSeconds.reset();
    row.view->setInputs(inputs, noTrackers());
    EXPECT_FALSE(metrics->metric("ph-clock-light"));
    EXPECT_EQ(metrics->metrics().size(), 2u);
    EXPECT_EQ(RowText::uptime(inputs.server), std::nullopt);
}

TEST(ServerRow, CopyPutsExactlyTheAddressOnTheClipboardAndSaysSoFor1_2Seconds) {
    Row row(rowInputs(server(700, {5173})));
    sendEnter(row.view.get());
    auto* copy = row.view->findChild<CopyURLButton*>();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->toolTip(), "Copy http://localhost:5173");
    EXPECT_EQ(copy->accessibleName(), "Copy localhost URL");
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));

    // Qt runs due timers in the order they fall due, so two of the test's own, set 1.1 s and 1.65 s
    // after the first press (the second press's own reset would come at 2.1 s), tell whether the
    // mark went in between, however late the loop gets to them.
    std::optional<bool> copiedAt1_1, copiedAt1_65;
    QTimer::singleShot(1100ms, Qt::PreciseTimer, copy, [&] { copiedAt1_1 = copy->isCopied(); });
    QTimer::singleShot(1650ms, Qt::PreciseTimer, copy, [&] { copiedAt1_65 = copy->isCopied(); });
    QTest::mouseClick(copy, Qt::LeftButton);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->text(), "http://localhost:5173");
    EXPECT_EQ(copied->formats(), QStringList{"text/plain"});
    EXPECT_TRUE(copy->isCopied());
    EXPECT_EQ(copy->toolTip(), "Copied!");
    EXPECT_EQ(copy->iconColor(), Brand::color(BrandColor::alive, copy->palette()));

    // A second press 0.9 s later does not extend the first: the mark goes 1.2 s after the first.
    app_test::runFor(900ms);
    ASSERT_TRUE(copy->isCopied());
    QTest::mouseClick(copy, Qt::LeftButton);
    ASSERT_TRUE(app_test::runUntil([&] { return copiedAt1_65.has_value(); }, 5s));
    EXPECT_EQ(copiedAt1_1, true);
    EXPECT_EQ(copiedAt1_65, false);
    EXPECT_EQ(copy->toolTip(), "Copy http://localhost:5173");
}

// What hiding stores is the panel model's (PanelModelTests).
TEST(ServerRow, ContextMenuCopiesTheRowsAddressAndHidesTheServer) {
    ServerRowView::Inputs inputs = rowInputs(server(700, {3000, 3001}, "rails"));
    inputs.port = 3001;
    Row row(inputs);
    std::unique_ptr<QMenu> menu(row.view->makeContextMenu());
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), "Copy http://localhost:3001");
    EXPECT_EQ(entries[1]->text(), "Hide :3001 (rails)");

    entries[0]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://localhost:3001");
    entries[1]->trigger();
    EXPECT_EQ(row.owner.hidden, std::vector<std::int32_t>{700});
}

TEST(ServerRow, TheInlineConfirmationStopsWithTheChosenSignalAndCloses) {
    QWidget window;
    PanelStandIn owner;
    auto* first = new ServerRowView(rowInputs(server(700, {3000})), owner.actions(), noTrackers(), &window);
    auto* second = new ServerRowView(rowInputs(server(800, {4000})), owner.actions(), noTrackers(), &window);
    second->move(0, 40);
    owner.rows = {first, second};
    window.resize(440, 80);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);

    auto arm = [&](ServerRowView* row) {
        sendEnter(row);
        QTest::mouseClick(row->findChild<KillArmButton*>(), Qt::LeftButton);
        sendLeave(row);
    };
    arm(first);
    EXPECT_EQ(owner.armed, "700:3000");
    auto* confirmation = first->findChild<KillConfirmCluster*>();
    ASSERT_TRUE(confirmation && confirmation->isVisible());
    EXPECT_EQ(confirmation->killButton()->toolTip(), "Stop gracefully (SIGTERM)");
    EXPECT_EQ(confirmation->forceButton()->accessibleName(), "Force kill (SIGKILL)");
    EXPECT_FALSE(shown(*first, "pid"));
    QTest::mouseClick(confirmation->killButton(), Qt::LeftButton);
    EXPECT_EQ(owner.kills, (std::vector<std::pair<std::int32_t, std::int32_t>>{{700, 15}}));
    EXPECT_EQ(owner.armed, std::nullopt);
    EXPECT_FALSE(confirmation->isVisible());  // (the force button's SIGKILL is seen in MenuContentViewTests)

    arm(first);
    QTest::mouseClick(confirmation->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(owner.armed, std::nullopt);
    EXPECT_EQ(owner.kills.size(), 1u);

    // The pointer entering another row closes it; entering the armed row itself does not.
    arm(first);
    sendEnter(first);
    EXPECT_EQ(owner.armed, "700:3000");
    sendLeave(first);
    sendEnter(second);
    EXPECT_EQ(owner.armed, std::nullopt);
    EXPECT_EQ(first->trailing(), RowTrailing::metrics);
    EXPECT_EQ(owner.kills.size(), 1u);
}

TEST(ServerRow, AServerKeptAliveCannotBeArmed) {
    ServerRowView::Inputs inputs = rowInputs(server(700, {6379}, "redis-server"), "service://redis-server");
    inputs.server.keptAlive = true;
    Row row(inputs);
    sendEnter(row.view.get());
    auto* arm = row.view->findChild<KillArmButton*>();
    EXPECT_FALSE(arm->isEnabled());
    EXPECT_EQ(arm->toolTip(), ServerRowView::keptAliveReason());
    EXPECT_EQ(arm->accessibleName(), "Stop unavailable because macOS keeps this service running");
    EXPECT_EQ(arm->iconColor(), Tint::tertiary().resolve(arm->palette()));
    QTest::mouseClick(arm, Qt::LeftButton);
    EXPECT_EQ(row.owner.armed, std::nullopt);
}

TEST(ServerRow, ThePortOpensTheAddressAndWarnsOfAConflict) {
    ServerRowView::Inputs inputs = rowInputs(server(700, {3000}));
    Row row(inputs);
    auto* port = part<TextButton>(*row.view, "port");
    EXPECT_EQ(port->toolTip(), "Open http://localhost:3000");
    EXPECT_EQ(port->accessibleName(), "Open localhost port 3000 in browser");
    EXPECT_EQ(port->textColor(), Theme::color(ThemeColor::port, port->palette()));
    EXPECT_EQ(port->look().font.pointSizeF(), PanelStyle::monoFont(12.5, QFont::DemiBold).pointSizeF());
    QTest::mouseClick(port, Qt::LeftButton);
    EXPECT_EQ(row.owner.opened, std::vector<int>{3000});

    inputs.inConflict = true;
    inputs.showProject = true;
    row.view->setInputs(inputs, noTrackers());
    EXPECT_EQ(port->toolTip(), "Port 3000 is claimed by another server too");
    EXPECT_EQ(port->textColor(), Theme::color(ThemeColor::red, port->palette()));
    EXPECT_EQ(port->look().font.pointSizeF(), PanelStyle::monoFont(13, QFont::DemiBold).pointSizeF());
    EXPECT_TRUE(shown(*row.view, "project"));
    EXPECT_EQ(part<TextView>(*row.view, "project")->text(), "shop");
}

}  // namespace
