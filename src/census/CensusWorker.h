// One census run: a worker reseeds its own copy of the world's states, steps it until the live
// set repeats an earlier one (the period quorvel-view reports) or the step limit, and
// classifies what it saw.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "automaton/Rule.h"
#include "automaton/TilingAutomaton.h"
#include "census/CensusPlan.h"
#include "run/RunRecord.h"
#include "tiling/Tiling.h"

namespace quorvel {

enum class Outcome {
    Extinct,      // the live set repeats with period 1 and is empty
    Still,        // period 1 with live tiles
    Oscillating,  // period above 1 (even one that passes through the empty set)
    Unsettled,    // no repeat within the step limit
};

// "extinct", "still", "oscillating", "unsettled".
const char* outcomeName(Outcome outcome);

struct RunResult {
    Outcome outcome = Outcome::Unsettled;
    // 0 and 0 when unsettled.
    int32_t period = 0;
    int32_t fromStep = 0;
    // The last step computed: fromStep when a repeat was found, else the step limit.
    int32_t stepsRun = 0;
    // Those of step stepsRun, as quorvel-view's step line for it gives them.
    int32_t alive = 0;
    uint32_t maxAge = 0;
    // The most live tiles at any step from 0 (the seeded population) to stepsRun.
    int32_t peakAlive = 0;
};

class CensusWorker {
  public:
    // `world` (tiles with their neighbour slots) is only read, and must outlive the worker.
    // The automaton writes the states it steps into a tiling, so every worker keeps a tiling
    // of its own for them, made once; the reverse adjacency of each face weight is built once
    // per worker and shared by its runs and their re-simulations.
    explicit CensusWorker(const Tiling& world);

    RunResult run(const CensusRun& run, int32_t maxSteps);

  private:
    const Tiling& world_;
    Tiling states_;
    std::map<int32_t, std::shared_ptr<const ReverseAdjacency>> adjacencies_;
    // Made at the first run, restarted for each later one.
    std::optional<RunRecord> record_;
};

}  // namespace quorvel
