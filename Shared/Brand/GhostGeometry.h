#pragma once
// The ghost logo as numbers. The ghost is drawn in a grid 120 units across and 132 down (x to the
// right, y downward from the top left corner): a half-disc head of radius 60 on straight sides,
// three rounded feet along the bottom edge, and two oval eyes. The logo view frames that grid in a
// larger one of 140 by 152, a 10-unit margin on every side, so the light outline is not clipped.

#include <array>
#include <span>

namespace Ghost {

inline constexpr double gridWidth = 120;
inline constexpr double gridHeight = 132;

inline constexpr double markGridWidth = 140;
inline constexpr double markGridHeight = 152;
inline constexpr double markMargin = 10;
// Width of the light appearance's outline, in units of the mark grid.
inline constexpr double outlineWidth = 10;

struct GridPoint {
    double x = 0, y = 0;
    constexpr bool operator==(const GridPoint&) const = default;
};

struct GridRect {
    double x = 0, y = 0, width = 0, height = 0;
    constexpr bool operator==(const GridRect&) const = default;
};

// One step of the outline. A curve is a cubic Bézier to `to` through `control1` and `control2`;
// a move and a line use only `to`; a close uses nothing.
struct PathSegment {
    enum class Kind { move, line, curve, close };
    Kind kind;
    GridPoint to{};
    GridPoint control1{};
    GridPoint control2{};
};

// The body outline: one closed subpath, clockwise on screen.
std::span<const PathSegment> outline();

// The boxes of the left and right eye.
std::array<GridRect, 2> eyes();

}  // namespace Ghost
