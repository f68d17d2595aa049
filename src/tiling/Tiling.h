// The world's geometry: the placed tiles, in the order the expansion emits them. A tile's
// position is its identity everywhere (face graph, seeding, report, picture order). A tile is
// its label and its exact placement (21 bytes); its outline is not stored. The picture's
// floating-point outline is the base polygon mapped through the placement's floating-point
// transform, which the expansion recomputes with the very same operations whenever it is
// needed (forEachTilePolygon), so it is the same bits every time. The face graph and the
// automaton's state are parts of their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Lattice.h"
#include "geometry/Vec2.h"
#include "tiling/PatchBounds.h"
#include "tiling/TilingKind.h"

namespace quorvel {

// Emitted tiles carry one of the eight supertile labels other than "Gamma", or "Gamma1" and
// "Gamma2" for the two tiles of a Gamma leaf. The ids follow the rules' rows, Gamma's two tiles
// last.
using TileLabel = uint8_t;
inline constexpr int kTileLabelCount = 10;
// "Delta", "Theta", ..., "Gamma1", "Gamma2".
const char* tileLabelName(TileLabel label);

inline constexpr std::size_t kTileVertices = 14;
using TileOutline = std::array<Vec2, kTileVertices>;

struct Tiling {
    TilingKind kind = TilingKind::Quorvel;
    std::string root;
    int32_t depth = 0;
    std::vector<TileLabel> labels;
    std::vector<Placement> placements;
    // The extremes of every point of every outline, as the picture frames them.
    PatchBounds bounds;

    std::size_t size() const { return labels.size(); }
};

}  // namespace quorvel
