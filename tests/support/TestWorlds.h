// The patches runs are made of, as facts the tests share: the nine root labels, how many
// tiles each root gives at each depth, and a seeded world or a face graph built by the run's
// own recipe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "faces/FaceGraph.h"
#include "run/RunPipeline.h"
#include "tiling/Patch.h"

namespace quorvel::testsupport {

// In the order of the substitution rules' rows.
inline const std::array<std::string, 9> kRootLabels = {"Gamma", "Delta", "Theta", "Lambda", "Xi",
                                                       "Pi",    "Sigma", "Phi",   "Psi"};

// Tiles at depths 0..5: Gamma's rules row has an empty slot, every other root gives Delta's
// counts.
inline std::size_t tileCountOf(const std::string& root, int32_t depth) {
    constexpr std::array<std::size_t, 6> kGamma = {2, 8, 62, 488, 3842, 30248};
    constexpr std::array<std::size_t, 6> kOther = {1, 9, 71, 559, 4401, 34649};
    return (root == "Gamma" ? kGamma : kOther).at(static_cast<std::size_t>(depth));
}

// The world a run with these options starts from (every other option at its default).
inline Tiling seededWorld(const std::string& root, int32_t depth, double density = 0.42,
                          uint64_t seed = 1) {
    Options options;
    options.root = root;
    options.depth = depth;
    options.density = density;
    options.seed = seed;
    return buildWorld(options);
}

// The flat face graph of a patch, found by the run's own face finder.
inline FaceGraph faceGraphOfPatch(const std::string& root, int32_t depth, TilingKind kind) {
    Tiling tiling = expandPatch(root, depth, kind);
    buildFaceGraph(tiling);
    return faceGraphOf(tiling);
}

}  // namespace quorvel::testsupport
