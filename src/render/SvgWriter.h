// The SVG picture of the patch: a dark background and one polygon per tile in Tiling order,
// coloured by state. The patch is only shifted (its smallest x and y sit 24 units from the
// left and top edges), never scaled or flipped.
#pragma once

#include <ostream>
#include <string>

#include "tiling/Tiling.h"

namespace quorvel {

// Creates or replaces the file whole (see OutputFile); throws "Unable to write SVG: " + path
// when it cannot be created, written or closed, and then leaves an earlier file as it was.
// `report` is flushed first when the picture goes to standard output or another non-file.
void writeSvg(const Tiling& tiling, const std::string& path, std::ostream* report = nullptr);

}  // namespace quorvel
