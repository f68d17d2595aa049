// The largest patch the options allow (depth 5, 34649 tiles) with the default options' seeding,
// built once for all benchmarks of a run: the world, its step graph at face weight 1 and the
// seeded population, and on demand the same seeded patch as the reference's fat tiles.
#pragma once

#include <memory>

#include "Reference.h"
#include "automaton/Population.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "run/Options.h"
#include "run/World.h"
#include "support/TestWorlds.h"

namespace quorvel::bench {

struct DepthFiveWorld {
    World world;
    std::shared_ptr<const StepGraph> graph;
    Population seeded;

    std::size_t tileCount() const { return world.tiling.size(); }
};

inline const DepthFiveWorld& depthFiveWorld() {
    static const DepthFiveWorld made = [] {
        const Options options;
        DepthFiveWorld world{testsupport::worldOf(options.root, 5), {}, {}};
        world.graph = std::make_shared<const StepGraph>(
            buildStepGraph(world.world.faces, options.faceWeight));
        world.seeded = seedPopulation(world.tileCount(), options.seed, options.density);
        return world;
    }();
    return made;
}

// The same patch and seeding as fat tiles, for the plain readings.
inline const reference::Tiling& depthFiveFatTiling() {
    static const reference::Tiling made = [] {
        const Options options;
        reference::Tiling tiling = reference::fatTiling(depthFiveWorld().world);
        reference::seedPopulationPlain(tiling, options.seed, options.density);
        return tiling;
    }();
    return made;
}

}  // namespace quorvel::bench
