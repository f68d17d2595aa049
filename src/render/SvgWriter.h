// The SVG picture of the patch: a dark background and one polygon per tile in Tiling order,
// coloured by state. The patch is only shifted (its smallest x and y sit 24 units from the
// left and top edges), never scaled or flipped.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tiling/Tiling.h"

namespace quorvel {

// `alive` holds a tile's state at its index (1 alive, 0 dead). Creates or replaces the file
// whole (see OutputFile); throws "Unable to write SVG: " + path when it cannot be created,
// written or closed, and then leaves an earlier file as it was. `report` is flushed first when
// the picture goes to standard output or another non-file.
void writeSvg(const Tiling& tiling, const std::vector<uint8_t>& alive, const std::string& path,
              std::ostream* report = nullptr);

// The same picture of outlines of any sizes, framed by their own extent: fixtures that test
// the number formats on points no patch has.
void writeSvgOutlines(const std::vector<Polygon>& outlines, const std::vector<uint8_t>& alive,
                      const std::string& path);

}  // namespace quorvel
