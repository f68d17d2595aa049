// The largest patch the options allow (depth 5, 34649 tiles), built and seeded once for all
// benchmarks of a run.
#pragma once

#include "cli/Driver.h"

namespace quorvel::bench {

inline const Tiling& depthFiveWorld() {
    static const Tiling tiling = [] {
        Options options;
        options.depth = 5;
        return buildWorld(options);
    }();
    return tiling;
}

}  // namespace quorvel::bench
