#pragma once
// Feeds one scan's projects to the trackers behind the panel's badges and the status icon, after
// every scan (the periodic loop's and the panel's alike). Main thread.

#include <vector>

#include "Platform/ISO8601.h"
#include "Shared/DevProject.h"

class ContainerActionTracker;
class EnergyMonitor;
class KillTracker;
class NewServerTracker;

namespace BadgeTrackers {

struct Targets {
    EnergyMonitor& energy;
    NewServerTracker& newServers;
    ContainerActionTracker& containers;
    KillTracker& kills;
};

// The shared trackers, at the current time.
void feed(const std::vector<DevProject>& projects);

// In this order, all at `now`: the energy monitor with CPU and resident memory summed per process
// group (a server without rss counts 0), the new-server tracker with the process groups, the
// container tracker with the container ids present, the kill tracker with the process groups.
void feed(const std::vector<DevProject>& projects, Platform::Date now, const Targets& targets);

}  // namespace BadgeTrackers
