#pragma once
// The new-server pulse as a function of time, so the tray (which has no animation layer) can be fed
// frames: each 1.1 s cycle grows the image to 1.18 times its size about its centre while fading it to
// 55 % opacity and back, eased in and out; three cycles, 3.3 s in all.

namespace StatusTile::Pulse {

inline constexpr double cycleSeconds = 1.1;
inline constexpr int repeatCount = 3;
inline constexpr double totalSeconds = cycleSeconds * repeatCount;
inline constexpr double peakScale = 1.18;
inline constexpr double troughOpacity = 0.55;

struct Frame {
    double scale = 1.0;
    double opacity = 1.0;
};

// The standard ease-in-ease-out curve (cubic Bézier with control points (0.42, 0) and (0.58, 1)):
// progress in [0, 1] to eased progress in [0, 1]; values outside are clamped.
double easeInEaseOut(double progress);

// The frame at `elapsed` seconds since the pulse began; the rest frame (1, 1) before it began and
// once it is over. Within a cycle the keyframes 1 → peak → 1 are evenly spaced on the eased time.
Frame frameAt(double elapsed);

}  // namespace StatusTile::Pulse
