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

// One placement row: the next slot turns by `turnDegrees` more, and its key point `to` lands
// on the previous slot's key point `from`.
struct PlacementRow {
    int turnDegrees;
    int from;
    int to;
};

// The seven rows that place slots 1 to 7 after slot 0, the same for the floating-point child
// transforms and for the exact child placements (tiling/Patch.cpp).
extern const std::array<PlacementRow, 7> kPlacementRows;

// Slot i places child slot i of a supertile; every transform is orientation-reversing.
std::vector<Affine> childTransforms(const std::array<Vec2, 4>& keyPoints);

}  // namespace quorvel
