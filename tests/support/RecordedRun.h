// A run recorded as quorvel-view records it: the final tiling and every step's changes.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "automaton/Automaton.h"
#include "cli/Driver.h"
#include "view/RunRecord.h"

namespace quorvel::testsupport {

struct RecordedRun {
    Tiling tiling;
    RunRecord record;
};

// `seeState`, when set, sees the tiling as seeded and after every step.
inline RecordedRun recordRun(const Options& options,
                             const std::function<void(const Tiling&)>& seeState = {}) {
    Tiling tiling = buildWorld(options);
    RunRecord record(tiling);
    if (seeState) {
        seeState(tiling);
    }
    {
        Automaton automaton(tiling, Rule{options.birth, options.surviveMin, options.surviveMax,
                                         options.faceWeight});
        for (int32_t step = 1; step <= options.steps; ++step) {
            automaton.step();
            record.addStep(automaton.changedTiles());
            if (seeState) {
                seeState(tiling);
            }
        }
    }
    return RecordedRun{std::move(tiling), std::move(record)};
}

}  // namespace quorvel::testsupport
