// One census run: a worker reseeds its automaton, steps it until the live set repeats an
// earlier one (the period quorvel-view reports) or the step limit, and classifies what it saw.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "automaton/Automaton.h"
#include "automaton/Population.h"
#include "automaton/Rule.h"
#include "automaton/StepGraph.h"
#include "census/CensusPlan.h"
#include "census/ObjectCode.h"
#include "census/Objects.h"
#include "run/RunRecord.h"

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

// The step graph of every face weight a census uses, built once and shared by every worker.
using StepGraphs = std::map<int32_t, std::shared_ptr<const StepGraph>>;

class CensusWorker {
  public:
    // `graphs` must hold the graph of every weight the worker is given, and outlive it. Each
    // worker keeps an automaton per weight and one record, made once and restarted for each
    // run, so a run allocates nothing once they have grown.
    // With `placements` (the world's, outliving the worker) a settled run is stepped one
    // period on and split into objects.
    explicit CensusWorker(const StepGraphs& graphs,
                          const std::vector<Placement>* placements = nullptr);

    RunResult run(const CensusRun& run, int32_t maxSteps);

    // Of the last run, when looking for objects: the live sets of one period from its last
    // step, its objects and their codes.
    const std::vector<std::vector<int32_t>>& phases() const { return phases_; }
    const std::vector<CensusObject>& objects() const { return objects_; }
    std::vector<ObjectSighting> takeSightings() { return std::move(sightings_); }

  private:
    void findObjectsOf(Automaton& automaton, const RunResult& result);

    const StepGraphs& graphs_;
    Population seeded_;
    std::map<int32_t, Automaton> automata_;
    // Made at the first run, restarted for each later one.
    std::optional<RunRecord> record_;
    const std::vector<Placement>* placements_;
    std::vector<std::vector<int32_t>> phases_;
    std::vector<CensusObject> objects_;
    ObjectScratch scratch_;
    std::vector<ObjectSighting> sightings_;
};

}  // namespace quorvel
