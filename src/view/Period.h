// When the live set of a recorded run starts to repeat: the first step T whose live set equals
// that of an earlier step, and the shortest distance P back to such a step. Step 0 is the
// seeded population; a run that dies out repeats the empty set with period 1.
#pragma once

#include <cstdint>
#include <ostream>

#include "view/RunRecord.h"

namespace quorvel {

struct Period {
    // 0 when no step repeats an earlier one within the recorded steps.
    int32_t length = 0;
    int32_t fromStep = 0;
};

// Exact: candidates are found by a 64-bit hash of the live set, kept up to date from the
// change lists, and each is confirmed by checking that every tile flipped an even number of
// times in between.
Period detectPeriod(const RunRecord& record);

// "period=P from_step=T\n" or "period=none\n".
void writePeriodLine(std::ostream& out, const Period& period);

}  // namespace quorvel
