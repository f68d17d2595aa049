// What quorvel-view keeps of a run, in memory that stays bounded however long the run: the
// live count of every step, full-state checkpoints within a byte budget, and the period of the
// live set, found exactly while the run goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automaton/Automaton.h"
#include "automaton/Rule.h"
#include "automaton/StepGraph.h"
#include "run/LatestStepByHash.h"
#include "run/Period.h"

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
    // `start` is the automaton before its first step; its state becomes step 0. A
    // re-simulation steps an automaton of its own on the same step graph and rule.
    explicit RunRecord(const Automaton& start, const CheckpointPolicy& policy = {},
                       LiveSetKey key = liveSetKey);

    // Starts over, as a record constructed with `start` would, keeping the buffers. `start`
    // must step on a world of the same size.
    void restart(const Automaton& start);

    // After each step of the automaton the record was started with.
    void addStep(const Automaton& automaton);

    int32_t stepCount() const { return static_cast<int32_t>(liveCounts_.size()) - 1; }
    // Live tiles at steps 0..stepCount().
    const std::vector<int32_t>& liveCounts() const { return liveCounts_; }
    // Ascending by step; the first is step 0.
    const std::vector<Checkpoint>& checkpoints() const { return checkpoints_; }
    const Period& period() const { return period_; }
    const Rule& rule() const { return rule_; }

  private:
    // The state of step 0.
    void start(const Automaton& start);
    void takeCheckpoint(const Automaton& now, int32_t step);
    // True if (and only if) the live set of step `earlier` equals that of `now`: every tile
    // flipped an even number of times since, read from the flip log when it reaches back that
    // far, else the earlier step is re-simulated from the nearest checkpoint at or before it.
    bool sameLiveSet(int32_t earlier, const Automaton& now);
    bool flipsCancelSince(int32_t earlier);

    Rule rule_;
    CheckpointPolicy policy_;
    LiveSetKey key_;
    std::size_t tileCount_ = 0;
    std::shared_ptr<const StepGraph> graph_;

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
