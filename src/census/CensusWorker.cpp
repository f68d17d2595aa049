#include "census/CensusWorker.h"

#include <algorithm>

#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
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

CensusWorker::CensusWorker(const StepGraphs& graphs) : graphs_(graphs) {}

RunResult CensusWorker::run(const CensusRun& run, int32_t maxSteps) {
    const std::shared_ptr<const StepGraph>& graph = graphs_.at(run.rule.faceWeight);
    seedPopulationInto(seeded_, graph->tileCount(), run.seed, run.density);
    auto found = automata_.find(run.rule.faceWeight);
    if (found == automata_.end()) {
        found = automata_.try_emplace(run.rule.faceWeight, graph, run.rule, seeded_).first;
    } else {
        found->second.restart(run.rule, seeded_);
    }
    Automaton& automaton = found->second;
    if (record_) {
        record_->restart(automaton);
    } else {
        record_.emplace(automaton);
    }
    RunRecord& record = *record_;
    RunResult result;
    result.alive = automaton.liveCount();
    result.maxAge = automaton.maxAge();
    result.peakAlive = result.alive;
    for (int32_t step = 1; step <= maxSteps && record.period().length == 0; ++step) {
        automaton.step();
        record.addStep(automaton);
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
