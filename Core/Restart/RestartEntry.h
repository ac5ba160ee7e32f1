#pragma once
// One restart in progress or failed, as RestartTracker keeps it.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Core/Restart/RestartPlan.h"
#include "Platform/ISO8601.h"

struct RestartEntry {
    using ID = std::string;  // a random UUID in text form

    struct Phase {
        enum class Kind { failed, stopping, relaunching };
        Kind kind = Kind::stopping;
        std::string message;  // only for failed: "relaunch failed" or "didn't come back"

        static Phase failed(std::string message) { return {Kind::failed, std::move(message)}; }
        static Phase stopping() { return {Kind::stopping, {}}; }
        static Phase relaunching() { return {Kind::relaunching, {}}; }
        bool isFailed() const { return kind == Kind::failed; }
        bool operator==(const Phase&) const = default;
    };

    static constexpr const char* relaunchFailed = "relaunch failed";
    static constexpr const char* didNotComeBack = "didn't come back";

    ID id;
    std::int32_t originalPID = 0;
    std::int32_t originalPGID = 0;
    std::set<std::int32_t> priorPIDs;  // every pid of every server in the snapshot when the restart began
    std::vector<int> ports;
    std::string command;
    std::string cwd;
    std::string projectPath;
    std::string projectName;
    ServerRestarter::Plan plan;
    Phase phase;
    std::optional<std::int32_t> spawnedPID;  // the relaunched shell, which leads its own process group
    bool cancelled = false;
    Platform::Date phaseChangedAt;

    bool operator==(const RestartEntry&) const = default;

    // A fresh random id.
    static ID makeID();
};
