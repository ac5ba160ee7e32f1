#pragma once
// What the panel's widget tests (and its benchmark) share: the two appearances as palettes, servers
// to show, the pointer entering and leaving, a small stand-in for the panel that owns the armed row,
// and the whole panel shown in its popover.

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPalette>
#include <QWidget>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "App/Panel/MenuContentView.h"
#include "App/Panel/Rows/ServerRowView.h"
#include "App/Shell/Popover.h"
#include "Look/Theme.h"
#include "support/DevServers.h"

namespace panel_test {

// The panel's own background and text colours in each appearance.
inline QPalette panelPalette(bool dark) {
    QPalette palette(dark ? QColor(0x1C, 0x1E, 0x1D) : QColor(0xF2, 0xF2, 0xF2));
    palette.setColor(QPalette::Window, Theme::color(ThemeColor::card, dark));
    palette.setColor(QPalette::WindowText, dark ? QColor(0xE7, 0xE9, 0xE8) : QColor(0x1D, 0x1D, 0x20));
    return palette;
}

inline DevServer server(std::int32_t pid, std::vector<int> ports, std::string command = "node") {
    DevServer made = testing_support::devServer(pid, std::move(ports), std::move(command), 1.5);
    made.mem = 0.4;
    made.rss = 84 * 1048576;
    made.uptimeSeconds = 2 * 3600 + 5 * 60;
    return made;
}

using testing_support::container;

inline RestartEntry restartEntry(RestartEntry::Phase phase, std::vector<int> ports = {5173}, std::int32_t pid = 4312) {
    RestartEntry made;
    made.id = RestartEntry::makeID();
    made.originalPID = pid;
    made.ports = std::move(ports);
    made.command = "vite";
    made.phase = std::move(phase);
    made.phaseChangedAt = std::chrono::system_clock::now();
    return made;
}

inline ServerRowView::Inputs rowInputs(DevServer server, std::string projectPath = "/tmp") {
    ServerRowView::Inputs inputs;
    inputs.port = server.ports.empty() ? 0 : server.ports.front();
    inputs.server = std::move(server);
    inputs.project = {"shop", std::move(projectPath), {}};
    return inputs;
}

inline void sendEnter(QWidget* widget) {
    QEnterEvent entered(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(widget, &entered);
}

inline void sendLeave(QWidget* widget) {
    QEvent left(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &left);
}

// The panel's side of the rows: the armed row, told to every row whenever it changes, and what the
// rows asked for.
struct PanelStandIn {
    std::optional<std::string> armed;
    std::vector<ServerRowView*> rows;
    std::vector<std::pair<std::int32_t, std::int32_t>> kills;  // pid, signal
    std::vector<int> opened;
    std::vector<std::int32_t> restarted, hidden;

    ServerRowView::Actions actions() {
        ServerRowView::Actions actions;
        actions.killArmedRowID = [this] { return armed; };
        actions.setKillArmedRowID = [this](std::optional<std::string> id) {
            armed = std::move(id);
            for (ServerRowView* row : rows) row->refresh();
        };
        actions.killServer = [this](const DevServer& server, std::int32_t signal) {
            kills.emplace_back(server.pid, signal);
        };
        actions.openLocalhost = [this](int port, std::int32_t) { opened.push_back(port); };
        actions.restartServer = [this](const DevServer& server, const DevProject&) { restarted.push_back(server.pid); };
        actions.hideServer = [this](const DevServer& server) { hidden.push_back(server.pid); };
        return actions;
    }
};

// The panel in the popover, sized to it and shown as the application shows it under its icon.
inline MenuContentView& showPanel(Popover& popover, PanelModel::Environment environment) {
    auto* view = new MenuContentView(std::move(environment), [] { return true; });
    popover.setContentView(view);
    popover.showRelativeTo(QRect(1000, 0, 20, 20));
    return *view;
}

// Until every layout and paint a change asked for is done: a change deep in the panel reaches the
// window one layout at a time, each on its own posted request.
inline void settleLayouts() {
    for (int depth = 0; depth < 12; ++depth) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QApplication::processEvents();
}

}  // namespace panel_test
