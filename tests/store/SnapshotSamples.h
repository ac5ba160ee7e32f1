#pragma once
// Snapshots the store tests and the writer peer build alike: a reader can tell a whole file from a part.

#include <chrono>
#include <string>

#include "Shared/ProcessSnapshot.h"

inline ProcessSnapshot sampleSnapshot(int projects) {
    ProcessSnapshot snapshot{Platform::Date(std::chrono::seconds(1'796'501'894 + projects)),
                             {}};  // 2026-12-05T20:18:14Z + n
    for (int i = 0; i < projects; ++i) {
        const std::string folder = "/home/dev/project-" + std::to_string(i);
        DevServer server{1000 + i,
                         1000 + i,
                         {1000 + i},
                         "node",
                         {3000 + i},
                         60 * i,
                         1.5 * i,
                         0.25,
                         1048576LL * i,
                         "npm run dev -- --port=" + std::to_string(3000 + i),
                         folder,
                         {},
                         {},
                         {}};
        snapshot.projects.push_back({"project-" + std::to_string(i), folder, {server}});
    }
    return snapshot;
}
