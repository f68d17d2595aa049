// The face graph: for every edge of every tile, the tile across it. Edges match when their
// quantised endpoints are equal, in either direction. Where a key has m >= 2 entries (in
// order of entry: tile ascending, then edge), every entry but the last names the tile of the
// last entry and the last names the tile of the next-to-last; a key with one entry stays -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tiling/Tiling.h"

namespace quorvel {

// The slots of every tile in one flat array, 14 per tile (one per edge of the Spectre
// outline), tile t's slot j at t * 14 + j: the index of the tile across edge j, or -1.
// 56 bytes a tile.
struct FaceGraph {
    static constexpr std::size_t kSlotsPerTile = 14;
    std::vector<int32_t> slots;

    std::size_t tileCount() const { return slots.size() / kSlotsPerTile; }
    const int32_t* slotsOf(std::size_t tile) const { return slots.data() + tile * kSlotsPerTile; }
};

// Replaces every tile's neighbour slots (one per polygon edge); changes nothing else.
void buildFaceGraph(Tiling& tiling);

// The slots the tiles hold, flat; every tile must have 14.
FaceGraph faceGraphOf(const Tiling& tiling);

}  // namespace quorvel
