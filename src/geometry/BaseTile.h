// The base Spectre tile (14 unit edges, counter-clockwise) and the eight child transforms that
// place the child slots of every supertile, at every level and for every label.
#pragma once

#include <array>
#include <vector>

#include "geometry/Affine.h"
#include "geometry/Vec2.h"

namespace quorvel {

inline constexpr int kChildSlots = 8;

// The 14 vertices as literal constants: values equal on paper differ in the last bit, and the
// tiling depends on exactly these bits.
Polygon basePolygon();

// Base vertices 3, 5, 7 and 11, the points the child placements are built from.
std::array<Vec2, 4> keyPoints(const Polygon& base);

// Slot i places child slot i of a supertile; every transform is orientation-reversing.
std::vector<Affine> childTransforms(const std::array<Vec2, 4>& keyPoints);

}  // namespace quorvel
