// The vertex neighbourhood as a step graph: a tile counts every other tile that shares at
// least one exact vertex with it, each with weight 1 (a tile across an edge shares its two end
// vertices and still counts once). Vertices are compared as exact lattice points (the tiles'
// placements applied to the exact base polygon), so a vertex where several tiles meet is found
// at every depth of either patch. The relation is symmetric: one CSR serves both directions.
//
// Building it sorts 14 (key, tile) entries a tile, 16 bytes each, so it peaks at about 280
// bytes a tile beside the result (about 600 MB for the genuine patch at depth 7).
#pragma once

#include <cstdint>

#include "automaton/StepGraph.h"
#include "tiling/Tiling.h"

namespace quorvel {

// `faceWeight` only labels the graph, so that a rule of that weight runs on it; it weighs
// nothing. Throws when a tile has more vertex neighbours than a sum can hold (15), as quorvel's
// patch, whose tiles coincide from depth 2 on, does; and when a vertex coefficient does not
// fit 16 bits.
StepGraph buildVertexStepGraph(const Tiling& tiling, int32_t faceWeight);

// The same graph labelled with another face weight, sharing its CSR.
StepGraph withFaceWeight(const StepGraph& graph, int32_t faceWeight);

}  // namespace quorvel
