#include "census/CensusWorker.h"

#include <algorithm>

#include "automaton/Seeding.h"
#include "automaton/TilingAutomaton.h"
#include "run/RunRecord.h"

namespace quorvel {

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Extinct:
            return "extinct";
        case Outcome::Still:
            return "still";
        case Outcome::Oscillating:
            return "oscillating";
        case Outcome::Unsettled:
            break;
    }
    return "unsettled";
}

CensusWorker::CensusWorker(const Tiling& world) : world_(world), states_(world.size()) {}

RunResult CensusWorker::run(const CensusRun& run, int32_t maxSteps) {
    std::shared_ptr<const ReverseAdjacency>& adjacency = adjacencies_[run.rule.faceWeight];
    if (!adjacency) {
        adjacency =
            std::make_shared<const ReverseAdjacency>(reverseAdjacency(world_, run.rule.faceWeight));
    }
    seedPopulation(states_, run.seed, run.density);
    TilingAutomaton automaton(states_, run.rule, adjacency);
    if (record_) {
        record_->restart(states_, run.rule, adjacency);
    } else {
        record_.emplace(states_, run.rule, CheckpointPolicy{}, liveSetKey, adjacency);
    }
    RunRecord& record = *record_;
    RunResult result;
    result.alive = automaton.liveCount();
    result.maxAge = automaton.maxAge();
    result.peakAlive = result.alive;
    for (int32_t step = 1; step <= maxSteps && record.period().length == 0; ++step) {
        automaton.step();
        record.addStep(states_, automaton);
        result.stepsRun = step;
        result.alive = automaton.liveCount();
        result.maxAge = automaton.maxAge();
        result.peakAlive = std::max(result.peakAlive, result.alive);
    }
    const Period& period = record.period();
    if (period.length != 0) {
        result.period = period.length;
        result.fromStep = period.fromStep;
        result.outcome = period.length > 1   ? Outcome::Oscillating
                         : result.alive == 0 ? Outcome::Extinct
                                             : Outcome::Still;
    }
    return result;
}

}  // namespace quorvel
