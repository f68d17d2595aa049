// The face graph: for every edge of every tile, the tile across it.
//
// Quorvel's own patch keys an edge by its endpoints scaled by 1e6 and rounded (EdgeKey.h), in
// either direction. Where a key has m >= 2 entries (in order of entry: tile ascending, then
// edge), every entry but the last names the tile of the last entry and the last names the
// tile of the next-to-last; a key with one entry stays -1.
//
// The genuine patch keys an edge by its exact lattice endpoints (geometry/Lattice.h), so the
// match is exact however large the patch. Its tiles meet edge to edge without overlap, so an
// edge is in at most two tiles: matched pairs leave the table of open edges at once, and the
// table only ever holds the edges on the border of what has been entered so far (tiles come
// in depth-first order, so that border stays short), not all of the patch's edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/Vec2.h"
#include "tiling/Tiling.h"

namespace quorvel {

// The slots of every tile in one flat array, 14 per tile (one per edge of the Spectre
// outline), tile t's slot j at t * 14 + j: the index of the tile across edge j, or -1.
// 56 bytes a tile.
struct FaceGraph {
    static constexpr std::size_t kSlotsPerTile = kTileVertices;
    std::vector<int32_t> slots;

    std::size_t tileCount() const { return slots.size() / kSlotsPerTile; }
    const int32_t* slotsOf(std::size_t tile) const { return slots.data() + tile * kSlotsPerTile; }
};

// Quorvel's patch by its rounded keys, the genuine patch by its exact ones.
FaceGraph buildFaceGraph(const Tiling& tiling);

// The slots of polygons of any sizes, by the rounded keys: small hand-made fixtures.
std::vector<std::vector<int32_t>> faceSlotsOf(const std::vector<Polygon>& polygons);

}  // namespace quorvel
