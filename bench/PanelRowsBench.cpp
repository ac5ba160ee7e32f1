// The panel at 200 servers. Its rows alone: building them all, and the 2-second reload that refills
// each kept row with fresh figures and one shared reading of the trackers, in a scroll area as tall
// as the panel's list at most (560 px), so only those in view are painted. The whole panel: the
// model's derivations of a snapshot, and the refresh of the shown panel (popover, list, rows) by
// its tick, with a snapshot equal to the one shown and with one whose figures changed, each until
// the layouts and paints it asked for are done. The snapshot is handed over already decoded.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <chrono>
#include <memory>
#include <vector>

#include "App/Panel/List/ServerList.h"
#include "App/Panel/MenuContentView.h"
#include "App/Panel/Rows/ServerRowView.h"
#include "App/Panel/ServerArea.h"
#include "App/Shell/Popover.h"
#include "Core/PanelModel/PanelDerivation.h"
#include "Platform/qt/MainQueueDriver.h"
#include "panel/PanelTestSupport.h"

namespace {

constexpr int serverCount = 200;

// One application for the whole program, off screen unless QT_QPA_PLATFORM says otherwise.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "panel_rows_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A home of its own: the panel reads its display preferences from there.
    static QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toUtf8());
    // Never destroyed: at exit, the fonts it registered would be dropped after Qt's thread data.
    auto* application = new QApplication(argc, argv);
    Platform::installMainQueueDriver(*application);
}

std::vector<ServerRowView::Inputs> inputs(double cpuOffset) {
    std::vector<ServerRowView::Inputs> rows;
    for (int i = 0; i < serverCount; ++i) {
        ServerRowView::Inputs row;
        row.server.pid = 4000 + i;
        row.server.pgid = 4000 + i;
        row.server.groupPIDs = {4000 + i, 5000 + i};
        row.server.command = i % 3 ? "node" : "python3";
        row.server.ports = {3000 + i};
        row.server.cpu = (i % 40) + cpuOffset;
        row.server.mem = 0.3;
        row.server.rss = std::int64_t(40 + i) * 1048576;
        row.server.uptimeSeconds = 3600 + i * 61;
        row.port = 3000 + i;
        row.project = {"project" + std::to_string(i / 10), "/home/dev/project" + std::to_string(i / 10), {}};
        row.isNew = i % 17 == 0;
        row.energyHigh = i % 23 == 0;
        rows.push_back(row);
    }
    return rows;
}

ServerRowView::Actions actions() {
    ServerRowView::Actions made;
    made.killArmedRowID = [] { return std::optional<std::string>(); };
    return made;
}

struct List {
    QScrollArea scroll;
    QWidget* rows = new QWidget;
    QVBoxLayout* column = new QVBoxLayout(rows);

    List() {
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        scroll.setWidget(rows);
        scroll.setWidgetResizable(true);
        scroll.resize(440, 560);
    }
};

void BuildRows(benchmark::State& state) {
    ensureApplication();
    const std::vector<ServerRowView::Inputs> rows = inputs(0);
    for (auto _ : state) {
        List list;
        const RowTrackerState trackers = RowTrackerState::current();
        for (const ServerRowView::Inputs& row : rows)
            list.column->addWidget(new ServerRowView(row, actions(), trackers));
        list.scroll.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(list.rows->sizeHint());
    }
}
BENCHMARK(BuildRows)->Unit(benchmark::kMillisecond);

void RefillRows(benchmark::State& state) {
    ensureApplication();
    List list;
    std::vector<ServerRowView*> views;
    const RowTrackerState first = RowTrackerState::current();
    for (const ServerRowView::Inputs& row : inputs(0)) {
        views.push_back(new ServerRowView(row, actions(), first));
        list.column->addWidget(views.back());
    }
    list.scroll.show();
    QApplication::processEvents();
    const std::vector<ServerRowView::Inputs> reloads[] = {inputs(0.5), inputs(1.5)};
    int turn = 0;
    for (auto _ : state) {
        const std::vector<ServerRowView::Inputs>& fresh = reloads[turn++ % 2];
        const RowTrackerState trackers = RowTrackerState::current();
        for (std::size_t i = 0; i < views.size(); ++i) views[i]->setInputs(fresh[i], trackers);
        QApplication::processEvents();  // the layouts and paints that the new figures asked for
    }
}
BENCHMARK(RefillRows)->Unit(benchmark::kMillisecond);

// 200 servers in 20 projects, a few ports claimed twice; `cpuOffset` changes every figure.
std::shared_ptr<const ProcessSnapshot> snapshot(double cpuOffset) {
    ProcessSnapshot made;
    for (const ServerRowView::Inputs& row : inputs(cpuOffset)) {
        if (made.projects.empty() || made.projects.back().path != row.project.path)
            made.projects.push_back({row.project.name, row.project.path, {}});
        DevServer server = row.server;
        if (server.pid % 50 == 0) server.ports = {3000};
        made.projects.back().servers.push_back(std::move(server));
    }
    return std::make_shared<const ProcessSnapshot>(std::move(made));
}

void Derive(benchmark::State& state, std::string_view query) {
    const auto shown = snapshot(0);
    const DisplayPrefs prefs;
    for (auto _ : state) benchmark::DoNotOptimize(PanelDerivation::derive(shown, prefs, query, {}));
}
BENCHMARK_CAPTURE(Derive, all, "")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Derive, searching, "30")->Unit(benchmark::kMicrosecond);

// The panel shown in its popover with 200 servers; each tick reads the next of `snapshots`.
struct ShownPanel {
    std::vector<std::shared_ptr<const ProcessSnapshot>> snapshots;
    std::size_t next = 0;
    Popover popover;
    MenuContentView* view;

    explicit ShownPanel(std::vector<std::shared_ptr<const ProcessSnapshot>> read) : snapshots(std::move(read)) {
        PanelModel::Environment environment;
        environment.readSnapshot = [this] { return std::optional(*snapshots[next++ % snapshots.size()]); };
        view = &panel_test::showPanel(popover, environment);
        panel_test::settleLayouts();
    }
};

void PanelTick(benchmark::State& state, bool changed) {
    ensureApplication();
    ShownPanel panel(changed ? std::vector{snapshot(0.5), snapshot(1.5)} : std::vector{snapshot(0.5)});
    for (auto _ : state) {
        panel.view->model().tick();
        panel_test::settleLayouts();
    }
    state.counters["rows"] = double(panel.view->serverArea()->list()->rowCount());
}
BENCHMARK_CAPTURE(PanelTick, unchanged, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PanelTick, changed, true)->Unit(benchmark::kMillisecond);

// The list's rebuild itself, over a snapshot equal to what it shows: every kept row refilled.
void PanelListReload(benchmark::State& state) {
    ensureApplication();
    ShownPanel panel({snapshot(0.5)});
    for (auto _ : state) {
        panel.view->serverArea()->showModel(true);
        panel_test::settleLayouts();
    }
}
BENCHMARK(PanelListReload)->Unit(benchmark::kMillisecond);

}  // namespace
