// The world a run steps on: the patch's geometry and its face graph, built once and only read
// from then on (a census shares one world between all its workers). The automaton's state is
// not part of it. Bytes a tile: 21 of geometry, 56 of face graph.
#pragma once

#include "faces/FaceGraph.h"
#include "run/Options.h"
#include "tiling/Tiling.h"
#include "tiling/TilingKind.h"

namespace quorvel {

struct World {
    Tiling tiling;
    FaceGraph faces;
};

// The tiles of the options' root and depth placed as `kind` places them, and their face graph.
World buildWorld(const Options& options, TilingKind kind = TilingKind::Quorvel);

}  // namespace quorvel
