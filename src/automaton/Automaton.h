// The synchronous update: every tile's next state is decided from the states before the step,
// then all tiles commit. A newborn tile gets age 1, a survivor's age grows by one, a dying
// tile's age drops to 0.
#pragma once

#include <cstdint>
#include <vector>

#include "automaton/Rule.h"
#include "tiling/Tiling.h"

namespace quorvel {

// One step over the whole tiling, straight from the tiles' neighbour slots.
void stepAutomaton(Tiling& tiling, int32_t birth, int32_t surviveMin, int32_t surviveMax,
                   int32_t faceWeight);

// Runs many steps on one tiling whose neighbour slots no longer change. After every step()
// the tiles' alive and age fields are exactly those stepAutomaton would give.
class Automaton {
public:
    Automaton(Tiling& tiling, const Rule& rule);

    void step();

    int32_t liveCount() const { return liveCount_; }
    uint32_t maxAge() const { return maxAge_; }
    // Indices of the tiles whose alive flag flipped in the last step, ascending.
    const std::vector<int32_t>& changedTiles() const { return changed_; }

private:
    Tiling& tiling_;
    Rule rule_;
    int32_t liveCount_ = 0;
    uint32_t maxAge_ = 0;
    std::vector<int32_t> changed_;
};

}  // namespace quorvel
