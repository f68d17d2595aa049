// Recursive substitution: a root supertile label and a depth become the ordered list of leaf
// tiles, depth-first with children in slot order. Each level has its own list of child
// transforms; when every level shares one list (quorvel's patch) several leaves land on the
// same place from depth 2 on and stay as separate tiles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Affine.h"
#include "tiling/SupertileRules.h"
#include "tiling/Tiling.h"

namespace quorvel {

// Entry d holds the eight child transforms of a supertile with d levels still to expand;
// entry 0 is unused (a leaf has no children).
using LevelTransforms = std::vector<std::vector<Affine>>;

// Appends every leaf below `label` placed by `transform`; throws "Unknown label: " + label for
// a label the rules lack at a depth other than 0. `childTransforms` needs entries 1..depth.
void expandSupertile(const std::string& label, int32_t depth, const Affine& transform,
                     const Polygon& basePolygon, const LevelTransforms& childTransforms,
                     const SupertileRules& rules, Tiling& tiling);

// Appends one tile: the base polygon mapped through `transform`.
void emitTile(const std::string& label, const Polygon& basePolygon, const Affine& transform,
              Tiling& tiling);

// The number of tiles expandSupertile appends, worked out from the rules alone.
std::size_t expandedTileCount(const std::string& label, int32_t depth, const SupertileRules& rules);

}  // namespace quorvel
