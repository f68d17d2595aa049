// The largest patch the options allow (depth 5, 34649 tiles), built and seeded once for all
// benchmarks of a run.
#pragma once

#include "support/TestWorlds.h"

namespace quorvel::bench {

inline const Tiling& depthFiveWorld() {
    static const Tiling tiling = testsupport::seededWorld("Delta", 5);
    return tiling;
}

}  // namespace quorvel::bench
