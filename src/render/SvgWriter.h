// The SVG picture of the patch: a dark background and one polygon per tile in Tiling order,
// coloured by state. The patch is only shifted (its smallest x and y sit 24 units from the
// left and top edges), never scaled or flipped.
#pragma once

#include <string>

#include "tiling/Tiling.h"

namespace quorvel {

// Creates or replaces the file; throws "Unable to write SVG: " + path when it cannot be
// opened, written or closed. Whatever reached the file before a failure is left as it is;
// a path that cannot be opened creates nothing.
void writeSvg(const Tiling& tiling, const std::string& path);

}  // namespace quorvel
