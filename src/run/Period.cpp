#include "run/Period.h"

#include "automaton/Seeding.h"

namespace quorvel {

uint64_t liveSetKey(int32_t tile) {
    return splitMix64Output(static_cast<uint64_t>(tile) + 0x9E3779B97F4A7C15ULL);
}

void writePeriodLine(std::ostream& out, const Period& period) {
    if (period.length == 0) {
        out << "period=none\n";
    } else {
        out << "period=" << period.length << " from_step=" << period.fromStep << "\n";
    }
}

}  // namespace quorvel
