#pragma once
// What the widget's buttons do: each intent turns its parameters into one widget command and
// queues it for the application (Shared/WidgetChannel/WidgetCommandQueue.h), which executes it
// when it drains the queue. An intent never acts on a process, a folder or the browser itself and
// never starts the application: a command queued while the application is not running waits in
// the queue file until its next start. perform() never fails and reports nothing. Any thread; the
// caller keeps two performs in the order it wants the commands queued.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Shared/DevServer.h"

// Stops every process of a project's servers: SIGTERM to each listed process that is still in
// the listed process group.
struct KillProjectIntent {
    std::vector<std::int64_t> pids;   // "PIDs"
    std::vector<std::int64_t> pgids;  // "PGIDs": pgids[i] is the group pids[i] belonged to

    KillProjectIntent() = default;
    // Each process of each server's group, paired with the server's group; servers kept alive by
    // launchd are left out, and containers add nothing (they have no processes of their own).
    explicit KillProjectIntent(const std::vector<DevServer>& servers);

    // Queues kill(pids, pgids), even with no processes. A pair whose values do not fit 32 signed
    // bits names no process and is left out.
    void perform() const;

    bool operator==(const KillProjectIntent&) const = default;
};

// Shows a project's folder in the file manager.
struct OpenFolderIntent {
    std::string path;  // "Path"

    OpenFolderIntent() = default;
    explicit OpenFolderIntent(std::string folder) : path(std::move(folder)) {}

    // Queues revealFolder(path), the path as given.
    void perform() const;

    bool operator==(const OpenFolderIntent&) const = default;
};

// Opens http://localhost:<port> in the default browser.
struct OpenLocalhostIntent {
    std::int64_t port = 0;  // "Port"

    OpenLocalhostIntent() = default;
    explicit OpenLocalhostIntent(std::int64_t localPort) : port(localPort) {}

    // Queues openLocalhost(port) when the port is at least 1; otherwise does nothing at all (no
    // file written, no notification).
    void perform() const;

    bool operator==(const OpenLocalhostIntent&) const = default;
};

using WidgetIntent = std::variant<OpenLocalhostIntent, OpenFolderIntent, KillProjectIntent>;

void perform(const WidgetIntent& intent);
