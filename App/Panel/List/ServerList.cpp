#include "App/Panel/List/ServerList.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>

#include <chrono>

#include "App/Panel/List/GhostProjectBlock.h"
#include "App/Panel/List/ListCanvas.h"
#include "App/Panel/List/ProjectHeader.h"
#include "App/Panel/Rows/GhostRow.h"
#include "App/Panel/Rows/ServerRowView.h"
#include "Core/PanelModel/KeyNav.h"
#include "Core/PanelModel/PanelModel.h"
#include "Core/PanelModel/PanelText.h"
#include "Core/Trackers/EnergyMonitor.h"
#include "Core/Trackers/NewServerTracker.h"
#include "Platform/UserPaths.h"

namespace {

// Keeps the widgets whose keys are still listed (they were reused) and deletes the others.
template <typename Widget>
void dropUnused(std::map<std::string, Widget*>& widgets, const std::map<std::string, Widget*>& kept) {
    for (auto& [key, widget] : widgets) {
        if (!kept.contains(key)) widget->deleteLater();  // it may be the sender of what runs now
    }
    widgets = kept;
}

template <typename Widget, typename Make>
Widget* reuse(std::map<std::string, Widget*>& widgets, std::map<std::string, Widget*>& kept, const std::string& key,
              Make make) {
    auto found = widgets.find(key);
    Widget* widget = found != widgets.end() ? found->second : make();
    kept[key] = widget;
    return widget;
}

}  // namespace

ServerList::ServerList(PanelModel& model, QWidget* parent)
    : QScrollArea(parent), model_(model), canvas_(new ListCanvas(this)) {
    setFrameShape(QFrame::NoFrame);
    // The keyboard works the rows through the panel's key monitor: a click on a row's button must not
    // take the focus from the filter field (which, once the list hides, would hand it back with the
    // query selected for the next key to replace).
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The card's colour shows through: the panel paints it.
    viewport()->setAutoFillBackground(false);
    canvas_->setAutoFillBackground(false);
    canvas_->setContentsMargins(12, 0, 12, 4);
    connect(canvas_, &ListCanvas::contentHeightChanged, this, &ServerList::fitHeight);
}

int ServerList::maximumListHeight() const {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return int(PanelText::listMaximumHeight(std::nullopt));
    return int(PanelText::listMaximumHeight(screen->availableGeometry().height()));
}

void ServerList::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    fitHeight();
}

void ServerList::fitHeight() { setFixedHeight(std::min(canvas_->contentHeight(), maximumListHeight())); }

void ServerList::reload() {
    const PanelDerivation& derived = model_.derived();
    const DisplayPrefs& prefs = model_.prefs();
    const std::string home = Platform::homeDirectory().string();
    const auto now = std::chrono::system_clock::now();
    // One reading of the trackers for every row of this reload.
    const RowTrackerState trackers = RowTrackerState::current();

    std::map<std::string, ServerRowView*> keptRows;
    std::map<std::string, ProjectHeader*> keptHeaders;
    std::map<std::string, GhostRow*> keptGhosts;
    std::map<std::string, GhostProjectBlock*> keptBlocks;
    std::vector<ListCanvas::Item> items;

    const ServerRowView::Actions rowActions{
        .killArmedRowID = [this] { return model_.killArmedRowID(); },
        .setKillArmedRowID = [this](std::optional<std::string> id) { model_.setKillArmedRowID(std::move(id)); },
        .killServer = [this](const DevServer& server, std::int32_t signal) { model_.killServer(server, signal); },
        .openLocalhost = [this](int port, std::int32_t pgid) { model_.openLocalhost(port, pgid); },
        .restartServer = [this](const DevServer& server,
                                const DevProject& project) { model_.restartServer(server, project); },
        .hideServer = [this](const DevServer& server) { model_.hideServer(server); },
    };
    const auto addRow = [&](const DevServer& server, int port, const DevProject& project) {
        ServerRowView::Inputs inputs;
        inputs.server = server;
        inputs.port = port;
        inputs.project = DevProject{project.name, project.path, {}};
        inputs.showProject = !derived.grouped;
        inputs.dimmed = derived.grouped && model_.killAllArmed() == project.path;
        inputs.inConflict = derived.conflictingPorts.contains(port);
        inputs.showPID = prefs.showPID;
        inputs.energyHigh = EnergyMonitor::shared().isHigh(server.pgid);
        inputs.isNew = NewServerTracker::shared().isNew(server.pgid, now);
        const std::string id = KeyNav::rowID(server.pid, port);
        const bool existed = rows_.contains(id);
        ServerRowView* row =
            reuse(rows_, keptRows, id, [&] { return new ServerRowView(inputs, rowActions, trackers, canvas_); });
        if (existed) row->setInputs(inputs, trackers);
        items.push_back({row});
    };
    const auto addGhost = [&](const RestartEntry& entry) {
        const bool existed = ghosts_.contains(entry.id);
        GhostRow* ghost = reuse(ghosts_, keptGhosts, entry.id, [&] { return new GhostRow(entry, canvas_); });
        if (existed) ghost->setEntry(entry);
        items.push_back({ghost});
    };

    if (derived.grouped) {
        const ProjectHeader::Actions headerActions{
            .arm = [this](const std::string& path) { model_.setKillAllArmed(path); },
            .stopAll = [this](const DevProject& project) { model_.killAllServers(project); },
            .disarm = [this] { model_.setKillAllArmed(std::nullopt); },
        };
        for (std::size_t i = 0; i < derived.filteredProjects.size(); ++i) {
            const DevProject& project = derived.filteredProjects[i];
            ProjectHeader* header =
                reuse(headers_, keptHeaders, project.path, [&] { return new ProjectHeader(headerActions, canvas_); });
            header->setProject(project, model_.killAllArmed() == project.path, home);
            items.push_back({header, true});
            for (const DevServer& server : project.servers) {
                for (const int port : server.ports) addRow(server, port, project);
            }
            for (const RestartEntry& entry : derived.projectGhosts[i]) addGhost(entry);
        }
        if (!derived.isSearching) {
            for (const RestartEntry& entry : derived.orphanedRestarts) {
                const bool existed = ghostBlocks_.contains(entry.id);
                GhostProjectBlock* block = reuse(ghostBlocks_, keptBlocks, entry.id,
                                                 [&] { return new GhostProjectBlock(entry, home, canvas_); });
                if (existed) block->setEntry(entry, home);
                items.push_back({block, false, true});
            }
        }
    } else {
        for (const PanelDerivation::FlatEntry& entry : derived.filteredFlat) {
            for (const int port : entry.server->ports) addRow(*entry.server, port, *entry.project);
        }
        if (!derived.isSearching) {
            for (const RestartEntry& entry : derived.allGhostRestarts) addGhost(entry);
        }
    }

    dropUnused(rows_, keptRows);
    dropUnused(headers_, keptHeaders);
    dropUnused(ghosts_, keptGhosts);
    dropUnused(ghostBlocks_, keptBlocks);
    canvas_->setPinsHeaders(derived.grouped);
    canvas_->setItems(std::move(items));
}

void ServerList::refreshRows() { refreshRows(RowTrackerState::current()); }

void ServerList::refreshRows(const RowTrackerState& trackers) {
    for (auto& [id, row] : rows_) row->refresh(trackers);
}

void ServerList::reveal(const std::string& rowID) {
    if (ServerRowView* found = row(rowID)) {
        const int top = canvas_->naturalTop(found);
        // Below its section's header, which is pinned over the top and would cover the row.
        int pinned = 0;
        if (const ProjectHeader* pinnedHeader =
                model_.derived().grouped ? header(found->inputs().project.path) : nullptr)
            pinned = pinnedHeader->height();
        const int visibleTop = verticalScrollBar()->value();
        const int visibleBottom = visibleTop + viewport()->height();
        if (top - pinned < visibleTop) verticalScrollBar()->setValue(top - pinned);
        else if (top + found->height() > visibleBottom)
            verticalScrollBar()->setValue(top + found->height() - viewport()->height());
    }
}

ServerRowView* ServerList::row(const std::string& rowID) const {
    const auto found = rows_.find(rowID);
    return found == rows_.end() ? nullptr : found->second;
}

ProjectHeader* ServerList::header(const std::string& projectPath) const {
    const auto found = headers_.find(projectPath);
    return found == headers_.end() ? nullptr : found->second;
}

GhostRow* ServerList::ghost(const std::string& restartID) const {
    const auto found = ghosts_.find(restartID);
    return found == ghosts_.end() ? nullptr : found->second;
}

GhostProjectBlock* ServerList::ghostBlock(const std::string& restartID) const {
    const auto found = ghostBlocks_.find(restartID);
    return found == ghostBlocks_.end() ? nullptr : found->second;
}
