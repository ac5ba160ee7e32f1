#pragma once
// The panel's only model: its state (the snapshot it last read or scanned, the display preferences,
// the search, the armed stop confirmations, the stop waiting behind the one-time warning, whether its
// own scan runs) and everything derived from it (PanelDerivation). The views read it and call its
// operations; every change is announced to the observers with what changed.
//
// The panel never gets scan results in memory from the application: it reads "snapshot.json" when
// it appears, on its 2-second tick and as soon as the application's loop has written it, and scans by
// itself only when it has nothing to show or the user asks. Its scan runs on a global queue; everything else runs on
// the main thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Core/PanelModel/PanelDerivation.h"
#include "Core/Restart/RestartTracker.h"
#include "Platform/ObserverList.h"
#include "Shared/DevProject.h"
#include "Shared/ProcessSnapshot.h"
#include "Shared/Settings/DisplayPrefs.h"

class PanelModel {
public:
    // A stop waiting for the user's answer in the one-time warning card.
    struct PendingKill {
        std::variant<DevServer, DevProject> target;  // one server, or every (shown) server of a project
        std::int32_t signal = 15;
        Platform::Date listedAt;   // the timestamp of the snapshot the target was chosen from
        bool isContainer() const;  // the target is one Docker container
        bool operator==(const PendingKill&) const = default;
    };

    // What changed, for the observers.
    enum Change : unsigned {
        snapshotChanged = 1u << 0,
        prefsChanged = 1u << 1,
        searchChanged = 1u << 2,
        killAllArmedChanged = 1u << 3,  // changes what the list shows (the project dimmed, its header)
        pendingKillChanged = 1u << 4,
        scanningChanged = 1u << 5,
        restartsChanged = 1u << 6,  // the restart entries, not only their "restarted" marks
        focusChanged = 1u << 7,     // the search field's focus
        rowArmedChanged = 1u << 8,  // killArmedRowID: only the rows' own state
    };
    using Changes = unsigned;
    using Token = Platform::ObserverList<Changes>::Token;

    // What the model reaches outside itself; each defaults to the real thing.
    struct Environment {
        std::function<std::optional<std::vector<DevProject>>()> scan;  // ProcessScanner::scan; none: failed
        std::function<std::optional<ProcessSnapshot>()> readSnapshot;  // DataStore::read
        std::function<void(const ProcessSnapshot&)> writeSnapshot;     // DataStore::write
        // After a panel scan has fed the badge trackers: the application's own bookkeeping (its last
        // projects and the tray icon). Nothing when unset.
        std::function<void(const std::vector<DevProject>&)> scanFinished;
        std::chrono::milliseconds minimumScanningTime{500};  // the scanning indicator shows at least this long
    };

    static constexpr std::chrono::milliseconds tickInterval{2000};
    // When the panel looks again after a stop, so the row leaves soon after the server has gone.
    static constexpr std::chrono::milliseconds rescansAfterStop[] = {
        std::chrono::milliseconds(400), std::chrono::milliseconds(1200), std::chrono::milliseconds(2500)};
    static constexpr double hotCPU = 25.0;  // a CPU percentage at or above this shows red

    PanelModel();
    explicit PanelModel(Environment environment);
    ~PanelModel();
    PanelModel(const PanelModel&) = delete;
    PanelModel& operator=(const PanelModel&) = delete;

    // --- state ---
    const std::shared_ptr<const ProcessSnapshot>& snapshot() const { return snapshot_; }
    const DisplayPrefs& prefs() const { return prefs_; }
    const std::string& searchQuery() const { return searchQuery_; }
    bool searchFocused() const { return searchFocused_; }
    bool isScanning() const { return isScanning_; }
    const std::optional<std::string>& killAllArmed() const { return killAllArmed_; }
    const std::optional<std::string>& killArmedRowID() const { return killArmedRowID_; }
    const std::optional<PendingKill>& pendingKill() const { return pendingKill_; }
    const PanelDerivation& derived() const { return derived_; }

    Token subscribe(std::function<void(const Changes&)> observer) { return observers_.subscribe(std::move(observer)); }
    void unsubscribe(Token token) { observers_.unsubscribe(token); }

    // --- life of the panel ---
    // The panel was shown: reads the snapshot, reloads the preferences, scans when there is no snapshot,
    // and hands its rows to the keyboard navigation.
    void appear();
    // Every 2 seconds while shown: reads the snapshot, nothing else.
    void tick();
    // Reads "snapshot.json"; a file that is missing or does not decode leaves no snapshot.
    void loadSnapshot();
    // The panel's own scan, unless one runs; its result becomes the snapshot at least 0.5 s after it began.
    // A scan that fails ends the scanning state then and leaves the snapshot and the trackers as they were,
    // and so does one that ended before a scan whose result the panel has seen since (it is older).
    void rescan();
    // The application's loop has written the snapshot of a scan that ended at `scannedAt`, and is about
    // to feed the trackers with it. A shown panel reads it now, so that its rows and the trackers speak
    // of the same scan (a stop mark never leaves a row the panel still lists). A result older than one
    // the panel has seen is left alone.
    void snapshotWritten(Platform::Date scannedAt, bool shown);

    // --- what the views set ---
    void setSearchQuery(std::string query);
    void setSearchFocused(bool focused);
    // Arming one stop confirmation (a project's stop-all, a row's stop) closes the other.
    void setKillAllArmed(std::optional<std::string> projectPath);
    void setKillArmedRowID(std::optional<std::string> rowID);
    // Each saves the display preferences at once (re-read first, so only this field changes).
    void setSortMode(SortMode mode);
    void setGrouped(bool grouped);

    // --- the stop road ---
    // A stop reaches only processes that had started when the snapshot the server was chosen from
    // was taken (Platform/ProcessGroups.h): a row's server comes from the snapshot shown now, a
    // keyboard row's from the one shown when the rows were handed over (`listedAt`).
    // A row's stop or force stop: the one-time warning of that kind first when it is due.
    void killServer(const DevServer& server, std::int32_t signal);
    // The keyboard's stop: always a plain stop; nothing for a server that is kept alive.
    void keyboardKill(const DevServer& server, Platform::Date listedAt);
    // A project's stop-all (the project as shown: while searching, its matching servers only).
    void killAllServers(const DevProject& project);
    // The warning card's answers.
    void confirmPendingKill();
    void cancelPendingKill();
    void performKill(const DevServer& server, std::int32_t signal, Platform::Date listedAt);

    // --- other actions of the rows ---
    void openLocalhost(int port, std::int32_t pgid);
    // The restart's stop follows the stop road's rule.
    void restartServer(const DevServer& server, const DevProject& project);
    // Hides the server: the hidden key of each of its ports joins the stored filter rules.
    void hideServer(const DevServer& server);

    // Whether the panel offers a restart: a container, or a server that a restart could bring back as
    // it runs now (ServerRestarter::currentPlan).
    static bool canRestart(const DevServer& server);

private:
    // The timestamp of the snapshot shown; without one, a time before any process started.
    Platform::Date listedAt() const;
    void requestKill(const DevServer& server, std::int32_t signal, Platform::Date listedAt);
    void restartListed(const DevServer& server, const DevProject& project, Platform::Date listedAt);
    void setSnapshot(std::shared_ptr<const ProcessSnapshot> snapshot);
    void rederive(Changes changes);
    void publishNavRows();
    void scheduleRescans();
    std::function<void()> weakly(std::function<void(PanelModel&)> action) const;

    Environment environment_;
    std::shared_ptr<const ProcessSnapshot> snapshot_;
    DisplayPrefs prefs_;
    std::string searchQuery_;
    bool searchFocused_ = false;
    bool isScanning_ = false;
    std::optional<std::string> killAllArmed_;
    std::optional<std::string> killArmedRowID_;
    std::optional<PendingKill> pendingKill_;
    std::vector<RestartEntry> restarts_;
    PanelDerivation derived_;
    // When the newest scan ended whose result the panel has shown or been told of.
    Platform::Date newestScan_ = Platform::Date::min();
    std::string publishedNavSignature_;
    bool navPublished_ = false;
    RestartTracker::Token restartsToken_ = 0;
    Platform::ObserverList<Changes> observers_;
    std::shared_ptr<PanelModel*> self_;  // handed out weakly, so late callbacks find the model gone
};
