// Real tilings for tests and benchmarks: the patch the run builds for a root label and depth,
// before the face graph is filled in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/BaseTile.h"
#include "tiling/Expansion.h"

namespace quorvel::testtilings {

inline Tiling expandedTiling(const std::string& root, int32_t depth) {
    const Polygon base = basePolygon();
    const std::vector<Affine> transforms = childTransforms(keyPoints(base));
    const SupertileRules rules = supertileRules();
    Tiling tiling;
    tiling.reserve(expandedTileCount(root, depth, rules));
    expandSupertile(root, depth, identity(), base, transforms, rules, tiling);
    return tiling;
}

}  // namespace quorvel::testtilings
