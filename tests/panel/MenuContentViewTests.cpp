// The whole panel, off screen, as a person uses it: its states, what the header, list and footer
// show for a snapshot, searching and grouping, the stop road through the real widgets down to real
// processes, a restart from a row, and rows kept across reloads.

#include <signal.h>

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <atomic>
#include <chrono>

#include "App/Panel/Controls/IconButton.h"
#include "App/Panel/Controls/SearchField.h"
#include "App/Panel/Controls/StopAllButton.h"
#include "App/Panel/Controls/TextButton.h"
#include "App/Panel/Controls/ViewToggle.h"
#include "App/Panel/Footer/PanelFooter.h"
#include "App/Panel/Header/PanelHeader.h"
#include "App/Panel/List/ListCanvas.h"
#include "App/Panel/List/ProjectHeader.h"
#include "App/Panel/List/ServerList.h"
#include "App/Panel/MenuContentView.h"
#include "App/Panel/Rows/KillArmButton.h"
#include "App/Panel/Rows/KillConfirmCluster.h"
#include "App/Panel/Rows/RestartServerButton.h"
#include "App/Panel/Rows/RowMetricsView.h"
#include "App/Panel/Rows/ServerRowView.h"
#include "App/Panel/ServerArea.h"
#include "App/Panel/States/ConflictBanner.h"
#include "App/Panel/States/EmptyState.h"
#include "App/Panel/States/NoResultsState.h"
#include "App/Panel/Warning/KillWarningOverlay.h"
#include "App/Shell/Popover.h"
#include "Controls/CapsuleLabel.h"
#include "Controls/TextView.h"
#include "Core/Restart/RestartTracker.h"
#include "Core/Trackers/KillWarning.h"
#include "PanelTestSupport.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace {

using namespace std::chrono_literals;
using app_test::runUntil;
using testing_support::ChildProcess;

DevServer serverOf(pid_t pid, int port, std::string command = "sleep") {
    DevServer server = panel_test::server(pid, {port}, std::move(command));
    server.cpu = 0;
    return server;
}

void store(std::vector<DevProject> projects) {
    DataStore::write({std::chrono::system_clock::now(), std::move(projects)});
}

// The panel in the popover, shown, reading the real snapshot file of the test's home; its own scan
// finds what the file holds, once `scanMayEnd` lets it.
struct ShownPanel {
    testing_support::TempHome home;
    std::shared_ptr<std::atomic<bool>> scanMayEnd = std::make_shared<std::atomic<bool>>(true);
    Popover popover;
    MenuContentView* view = nullptr;
    // Put back afterwards: the off-screen pointer is the whole program's, and the next test's
    // windows would open under it.
    const QPoint pointerBefore = QCursor::pos();

    void show() {
        app_test::installMainQueueOnQt();
        PanelModel::Environment environment;
        environment.scan = [gate = scanMayEnd] {
            while (!*gate) std::this_thread::sleep_for(5ms);
            return DataStore::read().value_or(ProcessSnapshot{}).projects;
        };
        environment.minimumScanningTime = 0ms;
        view = &panel_test::showPanel(popover, environment);
    }
    ~ShownPanel() {
        QCursor::setPos(pointerBefore);
        *scanMayEnd = true;
        popover.close();
        for (const RestartEntry& entry : RestartTracker::shared().entries()) RestartTracker::shared().remove(entry.id);
    }
    PanelModel& model() const { return view->model(); }
    ServerArea& area() const { return *view->serverArea(); }
    ServerList& list() const { return *area().list(); }
    PanelHeader& header() const { return *view->header(); }
    ServerRowView* row(pid_t pid, int port) const {
        return list().row(std::to_string(pid) + ":" + std::to_string(port));
    }
    // What a 2-second tick shows of the file as it is now.
    void tick(std::vector<DevProject> projects) {
        store(std::move(projects));
        model().tick();
        QApplication::processEvents();
    }
    void search(const QString& text) {
        QLineEdit* field = area().footer()->searchField()->lineEdit();
        field->selectAll();
        QTest::keyClicks(field, text);
        if (text.isEmpty()) QTest::keyClick(field, Qt::Key_Backspace);
    }
};

QString chip(const ShownPanel& panel) { return panel.header().countChip()->text(); }

// The visible action button of a hovered row.
template <typename Button>
Button* rowButton(ServerRowView* row) {
    panel_test::sendEnter(row);
    Button* button = row->findChild<Button*>();
    return button && button->isVisibleTo(row) ? button : nullptr;
}

// The pointer moved to a point of the widget, as the platform moves it (off screen too: Qt's
// offscreen platform tells the windows of the move).
void pointAt(const QWidget* widget, QPoint point) {
    QCursor::setPos(widget->mapToGlobal(point));
    QApplication::processEvents();
}

// The row under the pointer, found from the widget there.
ServerRowView* rowUnderPointer(const ShownPanel& panel) {
    const QPoint at = panel.popover.mapFromGlobal(QCursor::pos());
    for (QWidget* widget = panel.popover.rect().contains(at) ? panel.popover.childAt(at) : nullptr; widget;
         widget = widget->parentWidget()) {
        if (auto* row = qobject_cast<ServerRowView*>(widget)) return row;
    }
    return nullptr;
}

std::vector<ServerRowView*> hoveredRows(const ShownPanel& panel) {
    std::vector<ServerRowView*> hovered;
    for (ServerRowView* row : panel.list().canvas()->findChildren<ServerRowView*>())
        if (row->isVisible() && row->isHovered()) hovered.push_back(row);
    return hovered;
}

TEST(MenuContentView, EachStateSaysWhatThePanelKnowsAndTheHeaderCountsIt) {
    ShownPanel panel;
    *panel.scanMayEnd = false;
    panel.show();

    // Nothing read yet: skeleton rows, no footer and no search field, and the first scan in the header.
    EXPECT_EQ(panel.area().state(), ServerArea::State::loading);
    EXPECT_FALSE(panel.area().footer()->isVisible());
    EXPECT_FALSE(panel.area().footer()->searchField()->lineEdit()->isVisible());
    EXPECT_TRUE(panel.header().scanningIndicator()->isVisible());
    EXPECT_FALSE(panel.header().countChip()->isVisible());

    // The scan found nothing: the empty state; its rescan says so while it runs, and the header then
    // keeps its chip (the indicator is for the first scan only).
    *panel.scanMayEnd = true;
    ASSERT_TRUE(runUntil([&] { return panel.area().state() == ServerArea::State::empty; }));
    TextButton* rescan = panel.area().emptyState()->rescanButton();
    EXPECT_EQ(rescan->text(), "Rescan now");
    EXPECT_EQ(chip(panel), "0 servers");
    EXPECT_FALSE(panel.header().scanningIndicator()->isVisible());
    *panel.scanMayEnd = false;
    QTest::mouseClick(rescan, Qt::LeftButton);
    EXPECT_EQ(rescan->text(), "Rescanning…");
    EXPECT_FALSE(rescan->isEnabled());
    EXPECT_TRUE(panel.header().countChip()->isVisible());
    EXPECT_FALSE(panel.header().scanningIndicator()->isVisible());
    *panel.scanMayEnd = true;
    ASSERT_TRUE(runUntil([&] { return !panel.model().isScanning(); }));
    EXPECT_EQ(rescan->text(), "Rescan now");

    // Five servers, three ports claimed twice: one banner, for the lowest.
    panel.tick({{"web", "/p/web", {serverOf(11, 3000), serverOf(12, 5173), serverOf(13, 8080)}},
                {"api", "/p/api", {serverOf(21, 3000), serverOf(22, 5173, "vite")}},
                {"docs", "/p/docs", {serverOf(31, 8080)}}});
    EXPECT_EQ(panel.area().state(), ServerArea::State::list);
    EXPECT_EQ(chip(panel), "6 servers");
    ASSERT_TRUE(panel.area().conflictBanner()->isVisible());
    EXPECT_EQ(panel.area().conflictBanner()->text(), "Port :3000 used by web + api  +2 more");

    // A search: the chip counts the matches of the total, the banner goes.
    panel.search("vite");
    EXPECT_EQ(chip(panel), "1 of 6 servers");
    EXPECT_FALSE(panel.area().conflictBanner()->isVisible());
    EXPECT_EQ(panel.list().rowCount(), 1u);

    // Nothing matches: "No servers match", the footer stays; "Clear search" ends the search.
    panel.search("  zzz ");
    EXPECT_TRUE(panel.area().noResultsState()->isVisible());
    EXPECT_EQ(panel.area().noResultsState()->title()->text(), "No servers match “zzz”");
    EXPECT_FALSE(panel.list().isVisible());
    EXPECT_FALSE(panel.area().conflictBanner()->isVisible());
    EXPECT_TRUE(panel.area().footer()->searchField()->lineEdit()->isVisible());
    QTest::mouseClick(panel.area().noResultsState()->clearButton(), Qt::LeftButton);
    EXPECT_EQ(panel.area().footer()->searchField()->text(), "");
    EXPECT_TRUE(panel.list().isVisible());
    EXPECT_EQ(chip(panel), "6 servers");
}

TEST(MenuContentView, ProjectHeadersTellWhereAndWhyAndSortAndGroupingAreSavedAtOnce) {
    ShownPanel panel;
    DevServer kept = serverOf(41, 9000, "redis");
    kept.keptAlive = true;
    store({{"web", (panel.home.home() / "Development/web").string(), {serverOf(11, 3000)}},
           {"elsewhere", panel.home.home().string() + "bob/shop", {serverOf(12, 3001)}},
           {"redis", "service://redis", {kept}}});
    panel.show();

    ProjectHeader* web = panel.list().header((panel.home.home() / "Development/web").string());
    ASSERT_TRUE(web);
    EXPECT_EQ(web->nameView()->text(), "web");
    EXPECT_EQ(web->pathView()->text(), "~/Development/web");
    EXPECT_TRUE(web->stopAllButton()->isEnabled());
    EXPECT_EQ(panel.list().header(panel.home.home().string() + "bob/shop")->pathView()->text(),
              QString::fromStdString(panel.home.home().string() + "bob/shop"));
    ProjectHeader* service = panel.list().header("service://redis");
    EXPECT_EQ(service->pathView()->text(), "Background service");
    EXPECT_FALSE(service->stopAllButton()->isEnabled());
    EXPECT_EQ(service->stopAllButton()->toolTip(), ProjectHeader::keptAliveReason());
    EXPECT_FALSE(panel.row(11, 3000)->findChild<TextView*>("project")->isVisibleTo(panel.row(11, 3000)));

    // The flat segment: stored before anything else happens, over what the settings window stored
    // meanwhile, and the rows name their project.
    DisplayPrefs elsewhere;
    elsewhere.showPID = false;
    elsewhere.energyIcon = true;
    elsewhere.save(AppGroup::sharedDefaults());
    QTest::mouseClick(panel.area().footer()->viewToggle()->segment(false), Qt::LeftButton);
    elsewhere.grouped = false;
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), elsewhere);
    EXPECT_FALSE(panel.list().header("service://redis"));
    EXPECT_TRUE(panel.row(11, 3000)->findChild<TextView*>("project")->isVisibleTo(panel.row(11, 3000)));
    std::unique_ptr<QMenu> sortMenu(panel.area().footer()->makeSortMenu(nullptr));
    const auto items = sortMenu->actions();
    const auto byName = std::ranges::find_if(items, [](QAction* item) { return item->text() == "Name"; });
    ASSERT_NE(byName, items.end());
    elsewhere.flashNewServers = false;
    elsewhere.save(AppGroup::sharedDefaults());
    (*byName)->trigger();
    elsewhere.sortMode = SortMode::project;
    EXPECT_EQ(DisplayPrefs::load(AppGroup::sharedDefaults()), elsewhere);
    EXPECT_EQ(panel.model().prefs(), elsewhere);
}

// The real road from the header's "Stop all" and a row's stop buttons to signals: the warning card
// once for each kind of stop, remembered in the App Group suite, and only what the panel shows.
TEST(MenuContentView, StopsReachOnlyTheShownServersAndWarnOncePerKind) {
    ShownPanel panel;
    ChildProcess first({"sleep", "60"}), second({"sleep", "60"}), third({"sleep", "60"});
    const int port = testing_support::freePort();
    store({{"shop", "/p/shop", {serverOf(first.pid(), port), serverOf(second.pid(), port + 1)}},
           {"blog", "/p/blog", {serverOf(third.pid(), port + 2)}}});
    panel.show();
    Platform::UserDefaults& suite = AppGroup::sharedDefaults();

    // During a search, "Stop all" asks about the matching server only, and stops only it; the card
    // answers Return even though the filter field had the keyboard.
    panel.search(QString::number(port + 1));
    SearchField* search = panel.area().footer()->searchField();
    ProjectHeader* shop = panel.list().header("/p/shop");
    QTest::mouseClick(shop->stopAllButton(), Qt::LeftButton);
    ASSERT_TRUE(shop->isArmed());
    EXPECT_EQ(shop->question()->text(), "Stop all 1 server in shop?");
    QTest::mouseClick(search->lineEdit(), Qt::LeftButton);
    ASSERT_TRUE(search->isFocused() && shop->isArmed());
    QTest::mouseClick(shop->confirmButton(), Qt::LeftButton);
    ASSERT_TRUE(panel.view->isShowingWarning());
    EXPECT_FALSE(suite.boolean(KillWarning::killKey).value_or(false)) << "not before the answer";
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &panel.popover, Qt::Key_Return);
    EXPECT_FALSE(panel.view->isShowingWarning());
    EXPECT_TRUE(suite.boolean(KillWarning::killKey).value_or(false));
    EXPECT_FALSE(suite.boolean(KillWarning::forceKillKey).value_or(false));
    EXPECT_EQ(testing_support::endedBy(second), SIGTERM);
    // The field has the keyboard back with its query unselected, also once the stopped server has
    // left the list and the search matches nothing: the next key adds to the query.
    panel.tick(
        {{"shop", "/p/shop", {serverOf(first.pid(), port)}}, {"blog", "/p/blog", {serverOf(third.pid(), port + 2)}}});
    ASSERT_TRUE(panel.area().noResultsState()->isVisible());
    ASSERT_EQ(QApplication::focusWidget(), search->lineEdit());
    EXPECT_FALSE(search->lineEdit()->hasSelectedText());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_7);
    EXPECT_EQ(search->text(), QString::number(port + 1) + "7");

    // A plain stop from a row now goes straight through; the first force stop still warns.
    panel.search("");
    QTest::mouseClick(rowButton<KillArmButton>(panel.row(third.pid(), port + 2)), Qt::LeftButton);
    auto* confirm = panel.row(third.pid(), port + 2)->findChild<KillConfirmCluster*>();
    ASSERT_TRUE(confirm && confirm->isVisible());
    QTest::mouseClick(confirm->killButton(), Qt::LeftButton);
    EXPECT_FALSE(panel.view->isShowingWarning());
    EXPECT_EQ(testing_support::endedBy(third), SIGTERM);

    const auto forceStopFirst = [&] {
        QTest::mouseClick(rowButton<KillArmButton>(panel.row(first.pid(), port)), Qt::LeftButton);
        QTest::mouseClick(panel.row(first.pid(), port)->findChild<KillConfirmCluster*>()->forceButton(),
                          Qt::LeftButton);
        return panel.view->isShowingWarning();
    };
    ASSERT_TRUE(forceStopFirst());
    EXPECT_EQ(panel.view->warningOverlay()->confirmButton()->text(), "Force Stop");
    QTest::mouseClick(panel.view->warningOverlay()->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(suite.boolean(KillWarning::forceKillKey).value_or(false)) << "a cancelled card warns again";
    ASSERT_TRUE(forceStopFirst());
    QTest::mouseClick(panel.view->warningOverlay()->confirmButton(), Qt::LeftButton);
    EXPECT_TRUE(suite.boolean(KillWarning::forceKillKey).value_or(false));
    // Neither the search's stop-all nor the cancelled force stop had reached it.
    EXPECT_EQ(testing_support::endedBy(first), SIGKILL);
}

// A stop from the panel ends the server's whole process group, children included, and reaches no
// process outside it, even one the snapshot wrongly lists; a force stop is SIGKILL, which a server
// that ignores SIGTERM cannot escape.
TEST(MenuContentView, AStopEndsTheWholeGroupAndNothingElseAndAForceStopKills) {
    ShownPanel panel;
    KillWarning::acknowledge(false);
    KillWarning::acknowledge(true);
    ChildProcess group({"sh", "-c", "sleep 60 & sleep 60 & wait"});
    ChildProcess outsider({"sleep", "60"});
    ChildProcess deaf({"sh", "-c", "trap '' TERM; sleep 60 & wait"});
    ASSERT_TRUE(testing_support::waitUntil([&] { return group.members().size() == 3 && deaf.members().size() == 2; }));
    const int port = testing_support::freePort();
    DevServer server = serverOf(group.pid(), port);
    server.groupPIDs = group.members();
    server.groupPIDs.push_back(outsider.pid());  // moved to a group of its own since the scan
    DevServer deafServer = serverOf(deaf.pid(), port + 1);
    deafServer.groupPIDs = deaf.members();
    store({{"shop", "/p/shop", {server, deafServer}}});
    panel.show();

    QTest::mouseClick(rowButton<KillArmButton>(panel.row(group.pid(), port)), Qt::LeftButton);
    QTest::mouseClick(panel.row(group.pid(), port)->findChild<KillConfirmCluster*>()->killButton(), Qt::LeftButton);
    ASSERT_TRUE(group.waitForExit(10s));
    EXPECT_EQ(group.terminatingSignal(), SIGTERM);
    EXPECT_TRUE(testing_support::waitUntil([&] { return group.members().empty(); }));
    EXPECT_EQ(testing_support::endedBy(outsider), SIGUSR1);
    EXPECT_EQ(panel.row(group.pid(), port)->trailing(), RowTrailing::processStopping);

    // Escape closes an open confirmation and the panel stays; with none open, it closes the panel.
    QTest::mouseClick(rowButton<KillArmButton>(panel.row(deaf.pid(), port + 1)), Qt::LeftButton);
    ASSERT_TRUE(panel.model().killArmedRowID());
    QTest::keyClick(&panel.popover, Qt::Key_Escape);
    EXPECT_FALSE(panel.model().killArmedRowID());
    EXPECT_TRUE(panel.popover.isVisible());
    panel.model().setKillAllArmed("/p/shop");
    QTest::keyClick(&panel.popover, Qt::Key_Escape);
    EXPECT_FALSE(panel.model().killAllArmed());
    EXPECT_TRUE(panel.popover.isVisible());

    QTest::mouseClick(rowButton<KillArmButton>(panel.row(deaf.pid(), port + 1)), Qt::LeftButton);
    QTest::mouseClick(panel.row(deaf.pid(), port + 1)->findChild<KillConfirmCluster*>()->forceButton(), Qt::LeftButton);
    ASSERT_TRUE(deaf.waitForExit(10s));
    EXPECT_EQ(deaf.terminatingSignal(), SIGKILL);
    EXPECT_TRUE(testing_support::waitUntil([&] { return deaf.members().empty(); }));
    QTest::keyClick(&panel.popover, Qt::Key_Escape);
    EXPECT_FALSE(panel.popover.isVisible());
}

// The row's restart button with the real restarter and a real server: the old server stops, a ghost
// row stands in while it is away, the relaunched one listens again, leading a group of its own, and
// once the periodic scan's reconcile finds it back under a new pid, its row wears the restarted pill.
TEST(MenuContentView, ARestartFromARowComesBackUnderANewPidWithThePill) {
    const auto python = testing_support::python3();
    if (!python) GTEST_SKIP() << "python3 is not installed";
    ShownPanel panel;
    const testing_support::TempDir folder;
    // However the test ends: the shell as it was, and what still runs in the folder (the relaunched
    // server) stopped with its group.
    struct Restore {
        std::string folder;
        std::optional<std::string> shell;
        ~Restore() {
            shell ? setenv("SHELL", shell->c_str(), 1) : unsetenv("SHELL");
            for (const auto& left : testing_support::processesWhere([&](const auto& p) { return p.cwd == folder; }))
                ::kill(-left.pgid, SIGKILL);
        }
    } restore{folder.path().string(),
              std::getenv("SHELL") ? std::optional<std::string>(std::getenv("SHELL")) : std::nullopt};
    setenv("SHELL", "/bin/bash", 1);
    const int port = testing_support::freePort();
    ChildProcess original({*python, "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"}, folder.path());
    ASSERT_TRUE(testing_support::waitUntil([&] { return testing_support::acceptsConnections(port); }));
    const std::string path = folder.path().string();
    DevServer server = serverOf(original.pid(), port, "python3");
    server.commandLine = *python + " -m http.server " + std::to_string(port) + " --bind 127.0.0.1";
    server.cwd = path;
    store({{"site", path, {server}}, {"blog", "/p/blog", {serverOf(99999, port + 1)}}});
    panel.show();
    Platform::LogCapture log;

    // Restarted from a search for its port, typed into the field.
    QLineEdit* field = panel.area().footer()->searchField()->lineEdit();
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClicks(field, QString::number(port));
    ASSERT_EQ(panel.list().rowCount(), 1u);
    QTest::mouseClick(rowButton<RestartServerButton>(panel.row(original.pid(), port)), Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return panel.row(original.pid(), port)->trailing() == RowTrailing::restartStopping; }));
    ASSERT_TRUE(original.waitForExit(20s));
    EXPECT_EQ(original.terminatingSignal(), SIGTERM);
    // Gone from the scan, it matches nothing for now; the field keeps the keyboard with its query
    // unselected, so the next key adds to it.
    panel.tick({{"blog", "/p/blog", {serverOf(99999, port + 1)}}});
    ASSERT_TRUE(panel.area().noResultsState()->isVisible());
    ASSERT_EQ(QApplication::focusWidget(), field);
    EXPECT_FALSE(field->hasSelectedText());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_9);
    EXPECT_EQ(field->text(), QString::number(port) + "9");
    panel.search("");
    // Its project is gone from the scan with it: the list (not the empty state) with a ghost block.
    panel.tick({});
    ASSERT_EQ(RestartTracker::shared().entries().size(), 1u);
    const RestartEntry entry = RestartTracker::shared().entries().front();
    EXPECT_TRUE(entry.priorPIDs.contains(original.pid())) << "read from the last snapshot";
    EXPECT_EQ(panel.area().state(), ServerArea::State::list);
    EXPECT_TRUE(panel.list().ghostBlock(entry.id)) << "the ghost row stands in for the stopped server";

    // The relaunched server as the scan reports it: its own group, led by the spawned shell.
    std::vector<testing_support::ProcessInfo> found;
    ASSERT_TRUE(runUntil(
        [&] {
            found = testing_support::processesWhere(
                [&](const auto& p) { return p.cwd == path && p.name.starts_with("python3"); });
            return found.size() == 1 && testing_support::acceptsConnections(port);
        },
        20s));
    DevServer back = server;
    back.pid = found[0].pid;
    back.pgid = found[0].pgid;
    back.groupPIDs = {found[0].pid};
    EXPECT_NE(back.pid, original.pid());
    const std::optional<std::int32_t> spawned = RestartTracker::shared().entries().front().spawnedPID;
    EXPECT_EQ(spawned, back.pgid) << "the relaunched shell leads its own group";
    EXPECT_TRUE(log.contains("Vellumark: restart python3, pgid " + std::to_string(original.pid()) + ", cwd " + path));
    EXPECT_TRUE(log.contains("Vellumark: restarted as pid " + std::to_string(back.pgid)));
    const std::vector<DevProject> projects{{"site", path, {back}}};
    RestartTracker::shared().reconcile(projects, std::chrono::system_clock::now(), RestartTracker::relaunchTimeout,
                                       RestartTracker::pillDuration);
    panel.tick(projects);
    EXPECT_FALSE(panel.list().ghostBlock(entry.id));
    ASSERT_TRUE(panel.row(back.pid, port));
    EXPECT_TRUE(panel.row(back.pid, port)->state().restarted);
}

// Hover is where the pointer is, whatever the widgets were last told: the list shown where "Clear
// search" was, rows shifting under a still pointer, the pointer leaving the panel, the panel closing
// under it; the action buttons' tints with it.
TEST(MenuContentView, HoverFollowsThePointerAsRowsMoveUnderIt) {
    ShownPanel panel;
    DisplayPrefs flat;
    flat.grouped = false;
    flat.sortMode = SortMode::project;
    flat.save(AppGroup::sharedDefaults());
    // By name: a search for "x" drops "ant", and the others move up one place.
    const std::vector<DevProject> projects{{"ant", "/p/ant", {serverOf(11, 3000)}},
                                           {"bx", "/p/bx", {serverOf(12, 3001)}},
                                           {"cx", "/p/cx", {serverOf(13, 3002)}},
                                           {"dx", "/p/dx", {serverOf(14, 3003)}}};
    store(projects);
    panel.show();
    const auto rows = [&](std::initializer_list<std::pair<pid_t, int>> ids) {
        std::vector<ServerRowView*> found;
        for (const auto& [pid, port] : ids) found.push_back(panel.row(pid, port));
        return found;
    };

    // "Clear search" clicked where the third row comes back: that row is hovered, alone.
    panel.search("zzz");
    TextButton* clear = panel.area().noResultsState()->clearButton();
    pointAt(clear, clear->rect().center());
    QTest::mouseClick(clear, Qt::LeftButton);
    ASSERT_EQ(panel.list().rowCount(), 4u);
    ServerRowView* under = rowUnderPointer(panel);
    ASSERT_TRUE(under) << "the list lies where the button was";
    EXPECT_EQ(hoveredRows(panel), std::vector<ServerRowView*>{under});

    // Out of the panel: nothing stays hovered, at the latest once the next reload brings new figures
    // (off screen there is no pointer grab to bring the panel that move itself).
    pointAt(&panel.popover, QPoint(-40, panel.popover.height() + 40));
    std::vector<DevProject> busier = projects;
    busier[2].servers[0].cpu = 12;
    panel.tick(busier);
    EXPECT_TRUE(hoveredRows(panel).empty());
    EXPECT_EQ(under->trailing(), RowTrailing::metrics);

    // On the second row, the search drops the first: the third row comes under the pointer and is
    // the one hovered; the second, moved up, is not.
    pointAt(panel.row(12, 3001), QPoint(60, 15));
    EXPECT_EQ(hoveredRows(panel), rows({{12, 3001}}));
    panel.search("x");
    EXPECT_EQ(hoveredRows(panel), rows({{13, 3002}}));

    // On the footer's sort button, a search shortens the list: the footer moves up from under the
    // pointer, and the button keeps no hover.
    auto* sort = panel.area().footer()->findChild<IconButton*>("sortButton");
    ASSERT_TRUE(sort);
    pointAt(sort, sort->rect().center());
    EXPECT_TRUE(sort->isHovered());
    panel.search("d");
    ASSERT_EQ(panel.list().rowCount(), 1u);
    EXPECT_FALSE(sort->isHovered());
    EXPECT_TRUE(hoveredRows(panel).empty());

    // Closed with the pointer on a row and opened again with the pointer elsewhere: nothing hovered.
    panel.search("");
    pointAt(panel.row(14, 3003), QPoint(60, 15));
    EXPECT_EQ(hoveredRows(panel), rows({{14, 3003}}));
    panel.popover.close();
    pointAt(&panel.popover, QPoint(-40, -40));
    panel.popover.showRelativeTo(QRect(1000, 0, 20, 20));
    QApplication::processEvents();
    EXPECT_TRUE(hoveredRows(panel).empty());
}

// An armed row and a "restarted" mark concern the rows alone: the list is not rebuilt for them, and
// what the rows show still follows.
TEST(MenuContentView, ArmedRowsAndRestartedMarksReachTheRowsWithoutAReload) {
    ShownPanel panel;
    DevServer back = serverOf(500, 3000);
    back.cwd = "/p/site";
    const std::vector<DevProject> projects{{"site", "/p/site", {back, serverOf(501, 3001)}}};
    store(projects);
    panel.show();
    std::vector<PanelModel::Changes> changes;
    const PanelModel::Token token =
        panel.model().subscribe([&](const PanelModel::Changes& change) { changes.push_back(change); });
    const auto confirming = [&](pid_t pid, int port) {
        auto* confirmation = panel.row(pid, port)->findChild<KillConfirmCluster*>();
        return confirmation && confirmation->isVisibleTo(panel.row(pid, port));
    };

    // A project's stop-all closes the row's confirmation, and arming another row closes the stop-all.
    QTest::mouseClick(rowButton<KillArmButton>(panel.row(500, 3000)), Qt::LeftButton);
    ASSERT_TRUE(confirming(500, 3000));
    ProjectHeader* header = panel.list().header("/p/site");
    QTest::mouseClick(header->stopAllButton(), Qt::LeftButton);
    EXPECT_TRUE(header->isArmed());
    EXPECT_FALSE(confirming(500, 3000));
    QTest::mouseClick(rowButton<KillArmButton>(panel.row(501, 3001)), Qt::LeftButton);
    EXPECT_FALSE(header->isArmed());
    EXPECT_TRUE(confirming(501, 3001));
    // Escape closes it from outside the row.
    changes.clear();
    ASSERT_TRUE(panel.view->dismissConfirmation());
    EXPECT_FALSE(confirming(501, 3001));
    EXPECT_EQ(changes, std::vector<PanelModel::Changes>{PanelModel::rowArmedChanged});

    // The loop scan finds the restarted server: its row wears the pill until the mark ends, which
    // the next scan's publish tells the rows alone.
    RestartEntry entry;
    entry.id = RestartEntry::makeID();
    entry.originalPID = 400;
    entry.priorPIDs = {400, 501};
    entry.cwd = "/p/site";
    entry.phase = RestartEntry::Phase::relaunching();
    entry.phaseChangedAt = std::chrono::system_clock::now();
    ASSERT_TRUE(RestartTracker::shared().begin(entry));
    const auto found = std::chrono::system_clock::now();
    RestartTracker::shared().reconcile(projects, found);
    ASSERT_TRUE(RestartTracker::shared().entries().empty());
    EXPECT_TRUE(panel.row(500, 3000)->state().restarted);
    changes.clear();
    RestartTracker::shared().reconcile(projects, Trackers::adding(found, RestartTracker::pillDuration + 1s));
    EXPECT_FALSE(panel.row(500, 3000)->state().restarted);
    EXPECT_FALSE(panel.row(500, 3000)->findChild<QWidget*>("restarted")->isVisibleTo(panel.row(500, 3000)));
    EXPECT_TRUE(changes.empty());
    panel.model().unsubscribe(token);
}

// The list keeps its widgets across the 2-second reloads, grows to what the screen allows, and keeps
// a section's header on top while the section scrolls.
TEST(MenuContentView, RowsAreKeptAcrossReloadsTheListFitsTheScreenAndHeadersStayPinned) {
    ShownPanel panel;
    std::vector<DevProject> projects{{"alpha", "/p/alpha", {}}, {"beta", "/p/beta", {}}};
    for (int i = 0; i < 60; ++i) projects[i / 30].servers.push_back(serverOf(100 + i, 3000 + i));
    store(projects);
    panel.show();

    // Fewer rows: the window is as tall as its content before anything paints (a frame with the
    // footer over the rows, or a gap under them, would flicker), and no taller: the footer keeps its
    // own height.
    const auto fitted = [&] {
        const QWidget* footer = panel.area().footer();
        return panel.popover.height() == panel.popover.sizeHint().height() &&
               footer->mapTo(panel.view, QPoint(0, footer->height())).y() == panel.view->height() &&
               footer->height() == footer->sizeHint().height() && panel.list().geometry().bottom() < footer->y();
    };
    std::vector<DevProject> few{{"alpha", "/p/alpha", {projects[0].servers[0]}}};
    store(few);
    panel.model().tick();
    EXPECT_TRUE(fitted());
    // The flat list's one row is shorter than the skeleton rows the panel first showed.
    panel.model().setGrouped(false);
    EXPECT_TRUE(fitted());
    EXPECT_EQ(panel.list().height(), ServerRowView::rowHeight + 4);
    panel.model().setGrouped(true);
    store(projects);
    panel.model().tick();
    EXPECT_TRUE(fitted());
    QApplication::processEvents();

    // A reload with new data refills a row's own widgets in place; one with the same data changes
    // nothing, the hover of the row under the pointer included.
    ServerRowView* hovered = panel.row(100, 3000);
    ServerRowView* other = panel.row(101, 3001);
    const QList<QWidget*> parts = other->findChildren<QWidget*>();
    pointAt(hovered, QPoint(60, hovered->height() / 2));
    projects[0].servers[1].cpu = 42;
    projects[0].servers[1].command = "node";
    projects[0].servers.pop_back();
    for (const auto& unchanged : {false, true}) {
        panel.tick(projects);
        EXPECT_EQ(panel.row(100, 3000), hovered) << unchanged;
        EXPECT_EQ(panel.row(101, 3001), other) << unchanged;
        EXPECT_EQ(other->findChildren<QWidget*>(), parts) << unchanged;
        EXPECT_TRUE(hovered->isHovered());
        EXPECT_EQ(hovered->trailing(), RowTrailing::actions);
    }
    EXPECT_EQ(other->findChild<TextView*>("command")->text(), "node");
    EXPECT_EQ(other->findChild<RowMetricsView*>()->metric("ph-cpu-light")->text, "42.0%");
    EXPECT_FALSE(panel.row(129, 3029));
    EXPECT_EQ(panel.list().rowCount(), 59u);

    const QScreen* screen = panel.list().screen();
    ASSERT_TRUE(screen);
    const int expected = std::clamp(screen->availableGeometry().height() - 160, 180, 560);
    EXPECT_EQ(panel.list().height(), expected);
    EXPECT_GT(panel.list().canvas()->contentHeight(), expected);

    // Halfway down the first section its header sits at the top of what shows, over its rows;
    // in the second section, the second header does, and the first has scrolled away.
    QScrollBar* scroll = panel.list().verticalScrollBar();
    ProjectHeader* alpha = panel.list().header("/p/alpha");
    ProjectHeader* beta = panel.list().header("/p/beta");
    scroll->setValue(alpha->height() + 5 * ServerRowView::rowHeight);
    EXPECT_EQ(alpha->y(), scroll->value());
    const QList<QObject*>& order = panel.list().canvas()->children();
    EXPECT_GT(order.indexOf(alpha), order.indexOf(panel.row(105, 3005))) << "drawn over the rows";
    scroll->setValue(panel.list().canvas()->naturalTop(beta) + 3 * ServerRowView::rowHeight);
    EXPECT_EQ(beta->y(), scroll->value());
    EXPECT_LT(alpha->y() + alpha->height(), scroll->value());

    // Rows scrolled under the still pointer: the one now under it is hovered, alone.
    pointAt(panel.list().viewport(), QPoint(60, panel.list().viewport()->height() / 2));
    ServerRowView* before = rowUnderPointer(panel);
    ASSERT_TRUE(before && before->isHovered());
    scroll->setValue(scroll->value() + 3 * ServerRowView::rowHeight);
    ServerRowView* after = rowUnderPointer(panel);
    ASSERT_TRUE(after && after != before);
    EXPECT_EQ(hoveredRows(panel), std::vector<ServerRowView*>{after});
}

}  // namespace
