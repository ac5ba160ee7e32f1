#pragma once
// The widget's timeline provider: what the widget shows and when it asks again. It reads only the
// snapshot the application wrote ("snapshot.json" in the App Group container); nothing is logged.
// No state; any thread.

#include <chrono>
#include <vector>

#include "Widget/DevProcessEntry.h"

namespace Provider {

// How long a timeline stands before the widget asks for the next one.
inline constexpr std::chrono::seconds reloadInterval{30};

struct Timeline {
    std::vector<DevProcessEntry> entries;
    Platform::Date reloadAfter;  // the reload policy's date
};

// The demonstration data: two projects, webshop (vite and next-server) and api (python3).
const std::vector<DevProject>& sample();

// For a widget whose data is still loading: the sample, dated now.
DevProcessEntry placeholder(Platform::Date now);

// For previews: the snapshot's projects, or the sample when the snapshot cannot be read.
DevProcessEntry snapshot(Platform::Date now);

// The live timeline: one entry dated now with the snapshot's projects (none when it cannot be
// read), to be replaced after now + reloadInterval.
Timeline timeline(Platform::Date now);

}  // namespace Provider
