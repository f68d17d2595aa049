// What quorvel-view keeps of a run, in memory that stays bounded however long the run: the
// live count of every step, full-state checkpoints within a byte budget, and the period of the
// live set, found exactly while the run goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automaton/Rule.h"
#include "automaton/TilingAutomaton.h"
#include "run/LatestStepByHash.h"
#include "run/Period.h"
#include "tiling/Tiling.h"

namespace quorvel {

// A step's live tiles and their ages (encodeCheckpoint), and the run's work up to that step.
struct Checkpoint {
    int32_t step = 0;
    int64_t work = 0;
    std::string bytes;
};

// The work of a step, in the units of a replay's cost: one per flipped tile, plus this much
// for the step itself (a pass over the candidate bits).
constexpr int64_t kStepWork = 64;

// Checkpoints are taken every `workBetween` units of work; once their bytes pass
// `budgetBytes`, the one whose removal leaves the shortest stretch of work between its
// neighbours goes, again and again, so they stay evenly spread by work within the budget, and
// later ones are taken no closer than the average stretch. Step 0's checkpoint and the latest
// always stay.
struct CheckpointPolicy {
    int64_t workBetween = 200000;
    std::size_t budgetBytes = 12 * 1000 * 1000;
    // Until the period is found, the tiles flipped in the latest steps are kept, at most this
    // many (the older half goes when there are more): a repeat of a step they reach back to is
    // confirmed from them, without a re-simulation.
    std::size_t flipLogEntries = std::size_t{1} << 20;
};

class RunRecord {
  public:
    // `seeded` is the tiling before the first step; only its neighbour slots and states are
    // read here. `adjacency`, when given, is the reverse adjacency of those slots at the
    // rule's face weight, which re-simulations then share instead of building their own; the
    // slots are not copied.
    RunRecord(const Tiling& seeded, const Rule& rule, const CheckpointPolicy& policy = {},
              LiveSetKey key = liveSetKey,
              std::shared_ptr<const ReverseAdjacency> adjacency = nullptr);

    // Starts over, as a record constructed with `seeded`, `rule` and `adjacency` would, on the
    // same world, keeping what the constructor built from the world alone (the tiles' keys,
    // the re-simulation's tiling) and the buffers. Only for a record made with a reverse
    // adjacency, and given one (throws std::logic_error otherwise).
    void restart(const Tiling& seeded, const Rule& rule,
                 std::shared_ptr<const ReverseAdjacency> adjacency);

    // After each step: the tiling as the step left it, and the automaton that stepped it.
    void addStep(const Tiling& now, const TilingAutomaton& automaton);

    int32_t stepCount() const { return static_cast<int32_t>(liveCounts_.size()) - 1; }
    // Live tiles at steps 0..stepCount().
    const std::vector<int32_t>& liveCounts() const { return liveCounts_; }
    // Ascending by step; the first is step 0.
    const std::vector<Checkpoint>& checkpoints() const { return checkpoints_; }
    const Period& period() const { return period_; }
    const Rule& rule() const { return rule_; }

  private:
    // The state of step 0 from the seeded tiling.
    void start(const Tiling& seeded);
    void takeCheckpoint(const Tiling& now, int32_t step);
    // True if (and only if) the live set of step `earlier` equals that of `now`: every tile
    // flipped an even number of times since, read from the flip log when it reaches back that
    // far, else the earlier step is re-simulated from the nearest checkpoint at or before it.
    bool sameLiveSet(int32_t earlier, const Tiling& now);
    bool flipsCancelSince(int32_t earlier);

    Rule rule_;
    CheckpointPolicy policy_;
    // Every tile's key, looked up once.
    std::vector<uint64_t> keys_;
    // The world a re-simulation runs in: the seeded tiling's neighbour slots, without
    // polygons, until the reverse adjacency is known (given, or built at the first
    // re-simulation), and the states.
    Tiling replay_;
    std::shared_ptr<const ReverseAdjacency> adjacency_;

    std::vector<int32_t> liveCounts_;
    int64_t work_ = 0;
    int64_t workBetween_ = 0;
    std::vector<Checkpoint> checkpoints_;
    std::size_t checkpointBytes_ = 0;

    // Until the period is found: the live set's hash, the latest step with each hash, and per
    // step the previous step with the same hash (-1 for none).
    uint64_t hash_ = 0;
    LatestStepByHash latestStepWithHash_;
    std::vector<int32_t> previousStepWithHash_;
    Period period_;

    // The tiles flipped in steps flipLogFirst_ + 1 to stepCount(), step after step; the flips
    // of step flipLogFirst_ + 1 + k end at flipLogEnds_[k]. oddFlips_ is scratch, all zero
    // between uses.
    std::vector<int32_t> flipLog_;
    std::vector<std::size_t> flipLogEnds_;
    int32_t flipLogFirst_ = 0;
    std::vector<uint8_t> oddFlips_;
};

}  // namespace quorvel
