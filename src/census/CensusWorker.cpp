#include "census/CensusWorker.h"

#include <algorithm>

#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
#include "view/RunRecord.h"

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

CensusWorker::CensusWorker(const Tiling& world) : state_(world.size()) {
    for (std::size_t index = 0; index < world.size(); ++index) {
        state_[index].neighbours = world[index].neighbours;
    }
}

RunResult CensusWorker::run(const CensusRun& run, int32_t maxSteps) {
    seedPopulation(state_, run.seed, run.density);
    Automaton automaton(state_, run.rule);
    RunRecord record(state_, run.rule);
    RunResult result;
    result.alive = automaton.liveCount();
    result.maxAge = automaton.maxAge();
    result.peakAlive = result.alive;
    for (int32_t step = 1; step <= maxSteps && record.period().length == 0; ++step) {
        automaton.step();
        record.addStep(state_, automaton);
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
