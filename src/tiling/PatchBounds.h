// The extent of a patch: the extremes of every point of every tile, the frame in which the
// picture and the viewer page place the patch.
#pragma once

#include "tiling/Tiling.h"

namespace quorvel {

// Starts from +inf for the minima and -inf for the maxima (so an empty tiling keeps them); a
// coordinate replaces an extreme only when strictly beyond it.
struct PatchBounds {
    double minX;
    double minY;
    double maxX;
    double maxY;
};

PatchBounds patchBounds(const Tiling& tiling);

}  // namespace quorvel
