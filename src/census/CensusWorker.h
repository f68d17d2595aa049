// One census run: a worker reseeds its own copy of the world's states, steps it until the live
// set repeats an earlier one (the period quorvel-view reports) or the step limit, and
// classifies what it saw.
#pragma once

#include <cstdint>

#include "automaton/Rule.h"
#include "census/CensusPlan.h"
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
    // Keeps a copy of the world's neighbour slots (no polygons): the automaton writes the
    // states it steps into its tiling, so every worker steps a tiling of its own, copied once.
    explicit CensusWorker(const Tiling& world);

    RunResult run(const CensusRun& run, int32_t maxSteps);

  private:
    Tiling state_;
};

}  // namespace quorvel
