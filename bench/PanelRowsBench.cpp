// The panel's server rows at 200 servers: building them all, and the 2-second reload that refills
// each kept row with fresh figures and one shared reading of the trackers. The rows stand in a
// scroll area as tall as the panel's list at most (560 px), so only those in view are painted.

#include <QApplication>
#include <QScrollArea>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "App/Panel/Rows/ServerRowView.h"

namespace {

constexpr int serverCount = 200;

// One application for the whole program, off screen unless QT_QPA_PLATFORM says otherwise.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "panel_rows_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(argc, argv);
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
        for (const ServerRowView::Inputs& row : rows) list.column->addWidget(new ServerRowView(row, actions()));
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
    for (const ServerRowView::Inputs& row : inputs(0)) {
        views.push_back(new ServerRowView(row, actions()));
        list.column->addWidget(views.back());
    }
    list.scroll.show();
    QApplication::processEvents();
    const std::vector<ServerRowView::Inputs> reloads[] = {inputs(0.5), inputs(1.5)};
    int turn = 0;
    for (auto _ : state) {
        const std::vector<ServerRowView::Inputs>& fresh = reloads[turn++ % 2];
        const RowTrackerState trackers = RowTrackerState::current();
        for (std::size_t i = 0; i < views.size(); ++i) {
            views[i]->setInputs(fresh[i]);
            views[i]->refresh(trackers);
        }
        QApplication::processEvents();  // the layouts and paints that the new figures asked for
    }
}
BENCHMARK(RefillRows)->Unit(benchmark::kMillisecond);

}  // namespace
