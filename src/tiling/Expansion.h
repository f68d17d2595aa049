// Recursive substitution: a root supertile label and a depth become the ordered list of leaf
// tiles, depth-first with children in slot order. The same child transforms serve every level,
// so from depth 2 on several leaves land on the same place and stay as separate tiles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Affine.h"
#include "tiling/SupertileRules.h"
#include "tiling/Tiling.h"

namespace quorvel {

// Appends every leaf below `label` placed by `transform`; throws "Unknown label: " + label for
// a label the rules lack at a depth other than 0.
void expandSupertile(const std::string& label, int32_t depth, const Affine& transform,
                     const Polygon& basePolygon, const std::vector<Affine>& childTransforms,
                     const SupertileRules& rules, Tiling& tiling);

// Appends one tile: the base polygon mapped through `transform`.
void emitTile(const std::string& label, const Polygon& basePolygon, const Affine& transform,
              Tiling& tiling);

// The number of tiles expandSupertile appends, worked out from the rules alone.
std::size_t expandedTileCount(const std::string& label, int32_t depth, const SupertileRules& rules);

}  // namespace quorvel
