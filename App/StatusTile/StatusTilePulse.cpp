#include "App/StatusTile/StatusTilePulse.h"

#include <algorithm>
#include <cmath>

namespace StatusTile::Pulse {
namespace {

// One coordinate of the cubic Bézier from (0, 0) to (1, 1) with control values c1 and c2.
double bezier(double t, double c1, double c2) {
    const double u = 1 - t;
    return 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t;
}

double bezierSlope(double t, double c1, double c2) {
    const double u = 1 - t;
    return 3 * u * u * c1 + 6 * u * t * (c2 - c1) + 3 * t * t * (1 - c2);
}

// Between two keyframe values on the eased progress: up to the middle and back.
double there(double eased, double rest, double peak) {
    const double half = eased <= 0.5 ? eased * 2 : (1 - eased) * 2;
    return rest + (peak - rest) * half;
}

}  // namespace

double easeInEaseOut(double progress) {
    const double x = std::clamp(progress, 0.0, 1.0);
    constexpr double x1 = 0.42, y1 = 0.0, x2 = 0.58, y2 = 1.0;
    // Newton steps find the curve parameter whose x is the progress; bisection guards flat slopes.
    double t = x;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(t, x1, x2) - x;
        const double slope = bezierSlope(t, x1, x2);
        if (std::abs(error) < 1e-7) break;
        if (std::abs(slope) < 1e-6) break;
        t = std::clamp(t - error / slope, 0.0, 1.0);
    }
    if (std::abs(bezier(t, x1, x2) - x) >= 1e-6) {
        double low = 0, high = 1;
        for (int i = 0; i < 40; ++i) {
            t = (low + high) / 2;
            (bezier(t, x1, x2) < x ? low : high) = t;
        }
    }
    return std::clamp(bezier(t, y1, y2), 0.0, 1.0);
}

Frame frameAt(double elapsed) {
    if (!(elapsed >= 0) || elapsed >= totalSeconds) return {};
    const double withinCycle = std::fmod(elapsed, cycleSeconds) / cycleSeconds;
    const double eased = easeInEaseOut(withinCycle);
    return {there(eased, 1.0, peakScale), there(eased, 1.0, troughOpacity)};
}

}  // namespace StatusTile::Pulse
