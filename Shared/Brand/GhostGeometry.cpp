#include "Shared/Brand/GhostGeometry.h"

namespace {

using Kind = Ghost::PathSegment::Kind;

// The control offset that makes a cubic Bézier follow a quarter circle (radius × 0.4477 from the
// corner), for the head of radius 60 and the feet of radius 20.
constexpr Ghost::PathSegment segments[] = {
    {Kind::move, {0, 60}},
    {Kind::curve, {60, 0}, {0, 26.8629}, {26.8629, 0}},
    {Kind::curve, {120, 60}, {93.1371, 0}, {120, 26.8629}},
    {Kind::line, {120, 112}},
    {Kind::curve, {100, 132}, {120, 123.0457}, {111.0457, 132}},
    {Kind::curve, {80, 112}, {88.9543, 132}, {80, 123.0457}},
    {Kind::curve, {60, 132}, {80, 123.0457}, {71.0457, 132}},
    {Kind::curve, {40, 112}, {48.9543, 132}, {40, 123.0457}},
    {Kind::curve, {20, 132}, {40, 123.0457}, {31.0457, 132}},
    {Kind::curve, {0, 112}, {8.9543, 132}, {0, 123.0457}},
    {Kind::close},
};

}  // namespace

std::span<const Ghost::PathSegment> Ghost::outline() { return segments; }

std::array<Ghost::GridRect, 2> Ghost::eyes() { return {GridRect{32, 51, 16, 22}, GridRect{72, 51, 16, 22}}; }
