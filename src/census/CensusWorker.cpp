#include "census/CensusWorker.h"

#include <algorithm>
#include <iterator>

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

CensusWorker::CensusWorker(const StepGraphs& graphs, const std::vector<Placement>* placements)
    : graphs_(graphs), placements_(placements) {}

void CensusWorker::findObjectsOf(Automaton& automaton, const RunResult& result) {
    phases_.clear();
    objects_.clear();
    sightings_.clear();
    if (result.outcome == Outcome::Unsettled || result.outcome == Outcome::Extinct) {
        return;
    }
    // The run stops where its live set repeats: the period's other phases are the next steps,
    // each the last one with its flips applied.
    std::vector<int32_t> live;
    live.reserve(static_cast<std::size_t>(automaton.liveCount()));
    const std::vector<uint8_t>& flags = automaton.aliveFlags();
    for (std::size_t tile = 0; tile < flags.size(); ++tile) {
        if (flags[tile]) {
            live.push_back(static_cast<int32_t>(tile));
        }
    }
    phases_.push_back(std::move(live));
    for (int32_t k = 1; k < result.period; ++k) {
        automaton.step();
        const std::vector<int32_t>& flipped = automaton.changedTiles();
        std::vector<int32_t> next;
        next.reserve(static_cast<std::size_t>(automaton.liveCount()));
        std::set_symmetric_difference(phases_.back().begin(), phases_.back().end(), flipped.begin(),
                                      flipped.end(), std::back_inserter(next));
        phases_.push_back(std::move(next));
    }
    objects_ = findObjects(automaton.graph(), automaton.rule(), phases_, scratch_);
    for (const CensusObject& object : objects_) {
        sightings_.push_back(sightObject(object, *placements_, automaton.graph(), scratch_));
    }
}

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
    if (placements_) {
        findObjectsOf(automaton, result);
    }
    return result;
}

}  // namespace quorvel
