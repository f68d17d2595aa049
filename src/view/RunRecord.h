// What a viewer needs to replay a run: the seeded population and, for every step, the tiles
// whose alive flag flipped. Any step's live set follows from the seeded set by flipping the
// tiles of each step's change list in turn, and a live tile's age from the step it was born.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tiling/Tiling.h"

namespace quorvel {

class RunRecord {
  public:
    // Step 0: the population as seeded.
    explicit RunRecord(const Tiling& seeded);

    // The next step's change list: ascending tile indices.
    void addStep(const std::vector<int32_t>& changedTiles);

    int32_t tileCount() const { return static_cast<int32_t>(seededAlive_.size()); }
    // Steps after the seeding; steps 0..stepCount() can be replayed.
    int32_t stepCount() const { return static_cast<int32_t>(stepStarts_.size()) - 1; }
    const std::vector<uint8_t>& seededAlive() const { return seededAlive_; }

    // The change list of step 1..stepCount(), as a range of ascending indices.
    const int32_t* changesBegin(int32_t step) const;
    const int32_t* changesEnd(int32_t step) const;

  private:
    std::vector<uint8_t> seededAlive_;
    // Change lists of all steps back to back; step s's list starts at stepStarts_[s - 1].
    std::vector<int32_t> changes_;
    std::vector<std::size_t> stepStarts_;
};

// The state of every tile at one step of a recorded run, moved forward one step at a time.
// birthStep is -1 for a dead tile; a live tile's age at step s is s - birthStep + 1.
struct ReplayState {
    int32_t step = 0;
    std::vector<int32_t> birthStep;

    int32_t liveCount() const;
    uint32_t maxAge() const;
};

ReplayState seededState(const RunRecord& record);
// Applies the change list of step state.step + 1.
void advance(const RunRecord& record, ReplayState& state);

}  // namespace quorvel
