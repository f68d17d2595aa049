// Real tilings for tests and benchmarks: the patch the run builds for a root label and depth,
// before the face graph is filled in.
#pragma once

#include <cstdint>
#include <string>

#include "tiling/Patch.h"

namespace quorvel::testtilings {

inline Tiling expandedTiling(const std::string& root, int32_t depth,
                             TilingKind kind = TilingKind::Quorvel) {
    return expandPatch(root, depth, kind);
}

}  // namespace quorvel::testtilings
