// The patches runs are made of, as facts the tests share: the nine root labels, how many
// tiles each root gives at each depth, and a world built by the run's own recipe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include <vector>

#include "run/RunPipeline.h"
#include "tiling/Patch.h"

namespace quorvel::testsupport {

// In the order of the substitution rules' rows.
inline const std::array<std::string, 9> kRootLabels = {"Gamma", "Delta", "Theta", "Lambda", "Xi",
                                                       "Pi",    "Sigma", "Phi",   "Psi"};

// Tiles at depths 0..8: Gamma's rules row has an empty slot, every other root gives Delta's
// counts.
inline std::size_t tileCountOf(const std::string& root, int32_t depth) {
    constexpr std::array<std::size_t, 9> kGamma = {2,     8,      62,      488,     3842,
                                                   30248, 238142, 1874888, 14760962};
    constexpr std::array<std::size_t, 9> kOther = {1,     9,      71,      559,     4401,
                                                   34649, 272791, 2147679, 16908641};
    return (root == "Gamma" ? kGamma : kOther).at(static_cast<std::size_t>(depth));
}

// The world of a run at this root and depth (every other option at its default).
inline World worldOf(const std::string& root, int32_t depth,
                     TilingKind kind = TilingKind::Quorvel) {
    Options options;
    options.root = root;
    options.depth = depth;
    return buildWorld(options, kind);
}

// The face graph of a patch, found by the run's own face finder.
inline FaceGraph faceGraphOfPatch(const std::string& root, int32_t depth, TilingKind kind) {
    return buildFaceGraph(expandPatch(root, depth, kind));
}

// Every tile's outline, in order.
inline std::vector<Polygon> outlinesOf(const Tiling& tiling) {
    std::vector<Polygon> outlines(tiling.size());
    forEachTilePolygon(tiling, [&](std::size_t index, const TileOutline& outline) {
        outlines[index].assign(outline.begin(), outline.end());
    });
    return outlines;
}

}  // namespace quorvel::testsupport
