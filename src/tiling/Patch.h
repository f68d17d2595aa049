// The whole recipe of a patch in one call: base tile, child transforms per level, rules and
// the expansion. Two patches share it. Quorvel's patch places the children of every supertile
// with the one list built from the base tile's key points, so from depth 2 on leaves coincide.
// The Spectre patch rebuilds the key points at every level from the children just placed, so
// every tile has a place of its own and the patch grows with the depth.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/Vec2.h"
#include "tiling/Expansion.h"
#include "tiling/SupertileRules.h"
#include "tiling/Tiling.h"

namespace quorvel {

enum class TilingKind {
    Quorvel,  // quorvel's own patch, one child transform list at every level
    Spectre,  // the genuine tiling, key points rebuilt at every level
};

// The command-line name of a kind: "quorvel" or "spectre".
const char* tilingName(TilingKind kind);

// Throws "Unsupported tiling: " + name for any name but the two above.
TilingKind tilingKindNamed(const std::string& name);

// Entries 1..depth of the child transforms for `kind`, built from the base polygon.
LevelTransforms levelTransforms(const Polygon& basePolygon, int32_t depth, TilingKind kind);

// The tiles of `root` expanded `depth` levels, placed as `kind` places them; the face graph
// and the population are not filled in.
Tiling expandPatch(const std::string& root, int32_t depth, TilingKind kind);

}  // namespace quorvel
