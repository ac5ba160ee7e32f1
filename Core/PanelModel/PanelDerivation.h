#pragma once
// Everything the panel shows, derived from its state in one pass: the sorted flat list, the search
// and what it keeps, the counts, the ports claimed twice, the restarts whose server or project is
// gone, and the rows on screen in display order. Pure: the same state gives the same derivation.
//
// The entries point into the snapshot and the filtered projects that the derivation itself holds,
// so a derivation can be moved but not copied. Any thread.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Restart/RestartEntry.h"
#include "Shared/DevProject.h"
#include "Shared/ProcessSnapshot.h"
#include "Shared/Settings/DisplayPrefs.h"

struct PanelDerivation {
    // One server with its project, for the flat list.
    struct FlatEntry {
        const DevProject* project = nullptr;
        const DevServer* server = nullptr;
    };
    // One listening port of one shown server: one line of the list, "<pid>:<port>".
    struct VisibleRow {
        const DevServer* server = nullptr;
        int port = 0;
        const DevProject* project = nullptr;
        std::string id() const;
    };
    // A port more than one server listens on, with the distinct names of their projects.
    struct PortConflict {
        int port = 0;
        std::vector<std::string> names;
        bool operator==(const PortConflict&) const = default;
    };

    std::shared_ptr<const ProcessSnapshot> snapshot;  // absent: nothing read yet (the loading state)
    bool grouped = true;
    bool isSearching = false;
    std::string loweredQuery;  // the query without blanks around it, lower-cased

    std::vector<FlatEntry> flatServers;        // every server, sorted by the sort mode
    std::vector<FlatEntry> filteredFlat;       // flatServers reduced by the search
    std::vector<DevProject> filteredProjects;  // projects sorted, each reduced to its matching servers
    // Per filtered project, the restarts shown as ghost rows inside it (none while searching).
    std::vector<std::vector<RestartEntry>> projectGhosts;
    std::size_t matchCount = 0;    // servers the list shows (all of them without a search)
    std::size_t totalServers = 0;  // servers of the snapshot, whatever the search

    std::set<int> conflictingPorts;
    std::vector<PortConflict> conflicts;  // ascending by port

    std::vector<RestartEntry> allGhostRestarts;  // restarts whose old server is not in the snapshot
    std::vector<RestartEntry> orphanedRestarts;  // restarts whose project is not in the snapshot

    std::vector<VisibleRow> visibleRows;
    std::string navSignature;  // the visible rows' ids joined with ","

    PanelDerivation() = default;
    PanelDerivation(PanelDerivation&&) = default;
    PanelDerivation& operator=(PanelDerivation&&) = default;
    PanelDerivation(const PanelDerivation&) = delete;
    PanelDerivation& operator=(const PanelDerivation&) = delete;

    // Derives everything from the panel's state.
    static PanelDerivation derive(std::shared_ptr<const ProcessSnapshot> snapshot, const DisplayPrefs& prefs,
                                  std::string_view searchQuery, const std::vector<RestartEntry>& restarts);

    // Whether a server passes a query that is already trimmed and lower-cased: the query occurs in
    // the project's name or the server's command (both lower-cased), its pid or one of its ports in
    // decimal. The empty query passes everything.
    static bool matches(const DevServer& server, const DevProject& project, std::string_view loweredQuery);
};
