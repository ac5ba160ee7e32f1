#pragma once
// Spans of seconds as the trackers take them (6.0 s pill, 30.0 s timeout), and dates moved by them.

#include <chrono>

#include "Platform/ISO8601.h"

namespace Trackers {

using Seconds = std::chrono::duration<double>;

// The date the given seconds after (or before) another; absurd spans are held to a century so the
// arithmetic cannot overflow.
inline Platform::Date adding(Platform::Date date, Seconds span) {
    constexpr double century = 100.0 * 365.25 * 24 * 3600;
    double seconds = span.count();
    if (!(seconds > -century)) seconds = -century;  // also NaN
    if (seconds > century) seconds = century;
    return date + std::chrono::duration_cast<Platform::Date::duration>(Seconds(seconds));
}

}  // namespace Trackers
