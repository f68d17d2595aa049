// The whole recipe of a patch in one call: base tile, child transforms per level, rules and
// the expansion. Two patches share it. Quorvel's patch places the children of every supertile
// with the one list built from the base tile's key points, so from depth 2 on leaves coincide.
// The Spectre patch rebuilds the key points at every level from the children just placed, so
// every tile has a place of its own and the patch grows with the depth.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/BaseTile.h"
#include "tiling/Expansion.h"
#include "tiling/Tiling.h"
#include "tiling/TilingKind.h"

namespace quorvel {

// Entries 1..depth of the child transforms for `kind`, built from the base polygon.
LevelTransforms levelTransforms(const Polygon& basePolygon, int32_t depth, TilingKind kind);

// The same, exactly: built by the same steps from the exact base polygon.
LevelPlacements levelPlacements(int32_t depth, TilingKind kind);

ExpansionRecipe expansionRecipe(int32_t depth, TilingKind kind);

// The tiles of `root` expanded `depth` levels, placed as `kind` places them, with the extent
// of their outlines. Throws "Unknown label: " + root for a root that is not one of the nine.
Tiling expandPatch(const std::string& root, int32_t depth, TilingKind kind);

// Calls visit(index, outline) for every tile in order, its outline recomputed exactly as the
// expansion first computed it.
template <typename Visit>
void forEachTilePolygon(const Tiling& tiling, Visit&& visit) {
    if (tiling.size() == 0) {
        return;
    }
    const ExpansionRecipe recipe = expansionRecipe(tiling.depth, tiling.kind);
    std::size_t index = 0;
    TileOutline outline;
    auto leaf = [&](const Leaf& tile) {
        for (std::size_t j = 0; j < kTileVertices; ++j) {
            outline[j] = apply(tile.transform, recipe.base[j]);
        }
        visit(index++, static_cast<const TileOutline&>(outline));
    };
    expandSupertile(supertileId(tiling.root), tiling.depth, identity(), Placement{}, recipe, leaf);
}

// The exact vertices of a tile: its placement applied to the exact base polygon.
std::array<LatticePoint, kTileVertices> exactOutline(const Placement& placement);

}  // namespace quorvel
