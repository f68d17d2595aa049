// The face graph: for every edge of every tile, the tile across it. Edges match when their
// quantised endpoints are equal, in either direction. Where a key has m >= 2 entries (in
// order of entry: tile ascending, then edge), every entry but the last names the tile of the
// last entry and the last names the tile of the next-to-last; a key with one entry stays -1.
#pragma once

#include "tiling/Tiling.h"

namespace quorvel {

// Replaces every tile's neighbour slots (one per polygon edge); changes nothing else.
void buildFaceGraph(Tiling& tiling);

}  // namespace quorvel
