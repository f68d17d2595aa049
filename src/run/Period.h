// When the live set of a run starts to repeat: the first step T whose live set equals that of
// an earlier step, and the distance P back to that step (the live set decides the next one,
// so there is only one such earlier step). Step 0 is the seeded population; a run that dies
// out repeats the empty set with period 1.
#pragma once

#include <cstdint>
#include <ostream>

namespace quorvel {

struct Period {
    // 0 when no step repeats an earlier one within the recorded steps.
    int32_t length = 0;
    int32_t fromStep = 0;
};

// A live set's hash is the XOR of its tiles' keys, so a flip XORs one key in or out. Equal
// hashes only name candidates; a repeat is confirmed by comparing the live sets themselves.
using LiveSetKey = uint64_t (*)(int32_t tile);

// A fixed pseudo-random 64-bit key per tile (SplitMix64's output mix of the index).
uint64_t liveSetKey(int32_t tile);

// "period=P from_step=T\n" or "period=none\n".
void writePeriodLine(std::ostream& out, const Period& period);

}  // namespace quorvel
