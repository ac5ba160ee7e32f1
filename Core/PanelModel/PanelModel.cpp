#include "Core/PanelModel/PanelModel.h"

#include <algorithm>

#include "Core/Discovery/ProcessScanner.h"
#include "Core/Docker/DockerScanner.h"
#include "Core/PanelModel/KeyNav.h"
#include "Core/PanelModel/StopRoad.h"
#include "Core/Restart/RestartReadiness.h"
#include "Core/Restart/ServerRestarter.h"
#include "Core/Trackers/BadgeTrackers.h"
#include "Core/Trackers/ContainerActionTracker.h"
#include "Core/Trackers/KillWarning.h"
#include "Core/Trackers/NewServerTracker.h"
#include "Platform/Dispatch.h"
#include "Platform/UserDefaults.h"
#include "Platform/Workspace.h"
#include "Shared/LocalhostURL.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/FilterRules.h"
#include "Shared/Store/DataStore.h"

namespace Dispatch = Platform::Dispatch;

namespace {

// The same projects: the panel shows nothing of the time a snapshot was taken, which differs between
// the panel's own scan (fractions of a second) and the file (whole seconds) even for one scan.
bool showsTheSame(const std::shared_ptr<const ProcessSnapshot>& a, const std::shared_ptr<const ProcessSnapshot>& b) {
    if (!a || !b) return !a && !b;
    return a == b || a->projects == b->projects;
}

}  // namespace

bool PanelModel::PendingKill::isContainer() const {
    const DevServer* server = std::get_if<DevServer>(&target);
    return server && server->containerID.has_value();
}

PanelModel::PanelModel() : PanelModel(Environment{}) {}

PanelModel::PanelModel(Environment environment)
    : environment_(std::move(environment)),
      prefs_(DisplayPrefs::load(AppGroup::sharedDefaults())),
      self_(std::make_shared<PanelModel*>(this)) {
    if (!environment_.scan) environment_.scan = &ProcessScanner::scan;
    if (!environment_.readSnapshot) environment_.readSnapshot = [] { return DataStore::read(); };
    if (!environment_.writeSnapshot) environment_.writeSnapshot = [](const ProcessSnapshot& s) { DataStore::write(s); };
    restarts_ = RestartTracker::shared().entries();
    restartsToken_ = RestartTracker::shared().subscribe(weakly([](PanelModel& model) {
        // Every loop scan publishes, mostly with the entries unchanged (the rows follow the tracker's
        // "restarted" marks by themselves).
        std::vector<RestartEntry> entries = RestartTracker::shared().entries();
        if (entries == model.restarts_) return;
        model.restarts_ = std::move(entries);
        model.rederive(restartsChanged);
    }));
    derived_ = PanelDerivation::derive(snapshot_, prefs_, searchQuery_, restarts_);
}

PanelModel::~PanelModel() {
    RestartTracker::shared().unsubscribe(restartsToken_);
    *self_ = nullptr;
}

std::function<void()> PanelModel::weakly(std::function<void(PanelModel&)> action) const {
    return [weak = std::weak_ptr<PanelModel*>(self_), action = std::move(action)] {
        if (const auto self = weak.lock(); self && *self) action(**self);
    };
}

void PanelModel::rederive(Changes changes) {
    derived_ = PanelDerivation::derive(snapshot_, prefs_, searchQuery_, restarts_);
    if (derived_.navSignature != publishedNavSignature_ || !navPublished_) publishNavRows();
    observers_.notify(changes);
}

// --- life of the panel ---

void PanelModel::appear() {
    snapshot_ = nullptr;  // whatever was shown before, this opening reads afresh
    if (std::optional<ProcessSnapshot> read = environment_.readSnapshot())
        snapshot_ = std::make_shared<const ProcessSnapshot>(std::move(*read));
    prefs_ = DisplayPrefs::load(AppGroup::sharedDefaults());
    navPublished_ = false;  // keyboard rows are handed over on every appearance
    rederive(snapshotChanged | prefsChanged);
    if (!snapshot_) rescan();
}

void PanelModel::tick() { loadSnapshot(); }

void PanelModel::loadSnapshot() {
    std::optional<ProcessSnapshot> read = environment_.readSnapshot();
    setSnapshot(read ? std::make_shared<const ProcessSnapshot>(std::move(*read)) : nullptr);
}

void PanelModel::setSnapshot(std::shared_ptr<const ProcessSnapshot> snapshot) {
    // The file is read every 2 seconds and mostly holds what is shown already: only a real change
    // redraws the list.
    if (showsTheSame(snapshot_, snapshot)) return;
    snapshot_ = std::move(snapshot);
    rederive(snapshotChanged);
}

void PanelModel::rescan() {
    if (isScanning_) return;
    isScanning_ = true;
    observers_.notify(scanningChanged);
    const auto started = Dispatch::Clock::now();
    // The scan and the write run off the main thread and touch no model state; the result comes back
    // through the main queue, no sooner than the scanning indicator's minimum time.
    Dispatch::globalAsync(Dispatch::QoS::userInitiated, [scan = environment_.scan, write = environment_.writeSnapshot,
                                                         minimum = environment_.minimumScanningTime, started,
                                                         weak = std::weak_ptr<PanelModel*>(self_)] {
        std::optional<std::vector<DevProject>> projects = scan();
        std::shared_ptr<const ProcessSnapshot> snapshot;
        if (projects) {
            snapshot = std::make_shared<const ProcessSnapshot>(
                ProcessSnapshot{std::chrono::system_clock::now(), std::move(*projects)});
            write(*snapshot);
        }
        const auto elapsed = Dispatch::Clock::now() - started;
        const auto wait = std::max<Dispatch::Clock::duration>(Dispatch::Clock::duration::zero(), minimum - elapsed);
        Dispatch::mainAsyncAfter(wait, [weak, snapshot] {
            const auto self = weak.lock();
            PanelModel* model = self ? *self : nullptr;
            if (!snapshot) {  // failed: only the scanning state ends
                if (model) {
                    model->isScanning_ = false;
                    model->rederive(scanningChanged);
                }
                return;
            }
            // A loop scan that ran after this one has been shown (and fed to the trackers) meanwhile:
            // this older list would bring back a server that one no longer lists, as if running.
            if (model && snapshot->timestamp < model->newestScan_) {
                model->isScanning_ = false;
                model->rederive(scanningChanged);
                return;
            }
            // The panel shows the new snapshot first, so that the trackers' publishes redraw its rows;
            // the trackers are fed even when the panel is gone.
            if (model) {
                model->newestScan_ = snapshot->timestamp;
                model->snapshot_ = snapshot;
                model->isScanning_ = false;
                model->rederive(snapshotChanged | scanningChanged);
            }
            BadgeTrackers::feed(snapshot->projects);
            if (model && model->environment_.scanFinished) model->environment_.scanFinished(snapshot->projects);
        });
    });
}

void PanelModel::snapshotWritten(Platform::Date scannedAt, bool shown) {
    if (scannedAt < newestScan_) return;
    newestScan_ = scannedAt;
    if (shown) loadSnapshot();
}

// --- what the views set ---

void PanelModel::setSearchQuery(std::string query) {
    if (query == searchQuery_) return;
    searchQuery_ = std::move(query);
    rederive(searchChanged);
}

void PanelModel::setSearchFocused(bool focused) {
    if (focused == searchFocused_) return;
    searchFocused_ = focused;
    observers_.notify(focusChanged);
}

// One stop confirmation at a time: with a row's and a project's open together, Escape could not tell
// which one to close.
void PanelModel::setKillAllArmed(std::optional<std::string> projectPath) {
    if (projectPath == killAllArmed_) return;
    killAllArmed_ = std::move(projectPath);
    Changes changes = killAllArmedChanged;
    if (killAllArmed_ && killArmedRowID_) {
        killArmedRowID_.reset();
        changes |= rowArmedChanged;
    }
    observers_.notify(changes);
}

void PanelModel::setKillArmedRowID(std::optional<std::string> rowID) {
    if (rowID == killArmedRowID_) return;
    killArmedRowID_ = std::move(rowID);
    Changes changes = rowArmedChanged;
    if (killArmedRowID_ && killAllArmed_) {
        killAllArmed_.reset();
        changes |= killAllArmedChanged;
    }
    observers_.notify(changes);
}

void PanelModel::setSortMode(SortMode mode) {
    prefs_ = DisplayPrefs::change(AppGroup::sharedDefaults(), [mode](DisplayPrefs& prefs) { prefs.sortMode = mode; });
    rederive(prefsChanged);
}

void PanelModel::setGrouped(bool grouped) {
    prefs_ =
        DisplayPrefs::change(AppGroup::sharedDefaults(), [grouped](DisplayPrefs& prefs) { prefs.grouped = grouped; });
    rederive(prefsChanged);
}

// --- the stop road ---

Platform::Date PanelModel::listedAt() const { return snapshot_ ? snapshot_->timestamp : Platform::Date::min(); }

void PanelModel::killServer(const DevServer& server, std::int32_t signal) { requestKill(server, signal, listedAt()); }

void PanelModel::requestKill(const DevServer& server, std::int32_t signal, Platform::Date listedAt) {
    if (KillWarning::needsWarning(StopRoad::isForce(signal))) {
        pendingKill_ = PendingKill{server, signal, listedAt};
        observers_.notify(pendingKillChanged);
        return;
    }
    performKill(server, signal, listedAt);
}

void PanelModel::keyboardKill(const DevServer& server, Platform::Date listedAt) {
    // A server the service manager restarts cannot be stopped here; its row's stop button is
    // disabled, and the key does nothing either (no warning card for a stop that would be refused).
    if (server.keptAlive.value_or(false)) return;
    requestKill(server, StopRoad::stopSignal, listedAt);
}

void PanelModel::killAllServers(const DevProject& project) {
    if (KillWarning::needsWarning(false)) {
        pendingKill_ = PendingKill{project, StopRoad::stopSignal, listedAt()};
        observers_.notify(pendingKillChanged);
        return;
    }
    for (const DevServer& server : project.servers) performKill(server, StopRoad::stopSignal, listedAt());
}

void PanelModel::confirmPendingKill() {
    if (!pendingKill_) return;
    const PendingKill pending = std::move(*pendingKill_);
    KillWarning::acknowledge(StopRoad::isForce(pending.signal));
    pendingKill_.reset();
    observers_.notify(pendingKillChanged);
    if (const DevProject* project = std::get_if<DevProject>(&pending.target)) {
        for (const DevServer& server : project->servers) performKill(server, pending.signal, pending.listedAt);
    } else {
        performKill(std::get<DevServer>(pending.target), pending.signal, pending.listedAt);
    }
}

void PanelModel::cancelPendingKill() {
    if (!pendingKill_) return;
    pendingKill_.reset();
    observers_.notify(pendingKillChanged);
}

void PanelModel::performKill(const DevServer& server, std::int32_t signal, Platform::Date listedAt) {
    const StopRoad::Outcome outcome =
        StopRoad::performKill(server, signal, listedAt, weakly([](PanelModel& model) { model.rescan(); }));
    // A stop that reached nobody mostly means the server had exited already: the rescans are what
    // take its stale row away.
    if (outcome == StopRoad::Outcome::signalled || outcome == StopRoad::Outcome::nothingSignalled) scheduleRescans();
}

void PanelModel::scheduleRescans() {
    for (const auto delay : rescansAfterStop)
        Dispatch::mainAsyncAfter(delay, weakly([](PanelModel& model) { model.rescan(); }));
}

// --- other actions of the rows ---

void PanelModel::openLocalhost(int port, std::int32_t pgid) {
    NewServerTracker::shared().acknowledge(pgid);
    if (port < 1 || port > 65535) return;  // no address to open
    Platform::Workspace::openURL(localhostURL(port));
}

void PanelModel::restartServer(const DevServer& server, const DevProject& project) {
    restartListed(server, project, listedAt());
}

void PanelModel::restartListed(const DevServer& server, const DevProject& project, Platform::Date listedAt) {
    if (server.containerID) {
        const std::string id = *server.containerID;
        ContainerActionTracker::shared().setPhase(id, ContainerActionTracker::Phase::restarting);
        DockerScanner::restart(id, [id] {
            ContainerActionTracker::shared().finishRestart(id, std::chrono::system_clock::now(),
                                                           ContainerActionTracker::restartedPill);
        });
        return;
    }
    ServerRestarter::restart(server, listedAt, project.name, project.path, ServerRestarter::panelTimeout);
}

bool PanelModel::canRestart(const DevServer& server) {
    return server.containerID || ServerRestarter::currentPlan(server).has_value();
}

void PanelModel::hideServer(const DevServer& server) {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    FilterRules rules = FilterRules::load(defaults);
    for (const int port : server.ports) rules.hiddenServers.insert(FilterRules::hiddenServerKey(server.command, port));
    rules.save(defaults);
}

// --- keyboard rows ---

void PanelModel::publishNavRows() {
    std::vector<KeyNav::Row> rows;
    rows.reserve(derived_.visibleRows.size());
    // A keyboard row is kept until the rows themselves change, while later snapshots may list its
    // server with other group members: its stop keeps the time of the snapshot it was made from.
    const Platform::Date rowsListedAt = listedAt();
    for (const PanelDerivation::VisibleRow& visible : derived_.visibleRows) {
        // Each row keeps the server, port and project of this moment.
        const DevServer server = *visible.server;
        const DevProject project{visible.project->name, visible.project->path, {}};
        const int port = visible.port;
        KeyNav::Row row;
        row.id = visible.id();
        row.open = weakly([port, pgid = server.pgid](PanelModel& model) { model.openLocalhost(port, pgid); });
        row.kill = weakly([server, rowsListedAt](PanelModel& model) { model.keyboardKill(server, rowsListedAt); });
        if (canRestart(server)) {
            row.restart = weakly([server, project, rowsListedAt](PanelModel& model) {
                model.restartListed(server, project, rowsListedAt);
            });
        }
        rows.push_back(std::move(row));
    }
    publishedNavSignature_ = derived_.navSignature;
    navPublished_ = true;
    KeyNav::shared().setRows(std::move(rows));
}
