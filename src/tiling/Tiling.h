// The placed tiles. A tile's position in the Tiling is its identity everywhere (neighbour
// slots, seeding, report, SVG order); tiles are only appended, during the expansion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Vec2.h"

namespace quorvel {

struct Tile {
    std::string label;
    Polygon polygon;
    // Slot j: index of the tile across edge j, or -1. Filled once by the face graph.
    std::vector<int32_t> neighbours;
    bool alive = false;
    bool next = false;
    // Consecutive live states, the current one included; 0 for a dead tile.
    uint32_t age = 0;
};

using Tiling = std::vector<Tile>;

}  // namespace quorvel
