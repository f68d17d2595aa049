#include "view/Period.h"

#include <unordered_map>
#include <vector>

namespace quorvel {

namespace {

// A fixed pseudo-random key per tile; the live set's hash is the XOR of its tiles' keys, so
// flipping a tile XORs its key in or out.
uint64_t tileKey(int32_t tile) {
    uint64_t z = static_cast<uint64_t>(tile) + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// True if (and only if) the live sets of steps `earlier` and `later` are equal: every tile
// flipped an even number of times in the steps between them. `flips` is all zero on entry
// and is left so.
bool sameLiveSet(const RunRecord& record, int32_t earlier, int32_t later,
                 std::vector<uint8_t>& flips) {
    for (int32_t step = earlier + 1; step <= later; ++step) {
        for (const int32_t* tile = record.changesBegin(step); tile != record.changesEnd(step);
             ++tile) {
            flips[static_cast<std::size_t>(*tile)] ^= 1;
        }
    }
    bool same = true;
    for (int32_t step = earlier + 1; step <= later; ++step) {
        for (const int32_t* tile = record.changesBegin(step); tile != record.changesEnd(step);
             ++tile) {
            same = same && flips[static_cast<std::size_t>(*tile)] == 0;
            flips[static_cast<std::size_t>(*tile)] = 0;
        }
    }
    return same;
}

}  // namespace

Period detectPeriod(const RunRecord& record) {
    std::vector<uint8_t> flips(static_cast<std::size_t>(record.tileCount()), 0);
    // Hash -> the steps that had it, ascending.
    std::unordered_map<uint64_t, std::vector<int32_t>> stepsByHash;
    uint64_t hash = 0;
    for (int32_t tile = 0; tile < record.tileCount(); ++tile) {
        if (record.seededAlive()[static_cast<std::size_t>(tile)]) {
            hash ^= tileKey(tile);
        }
    }
    stepsByHash[hash].push_back(0);
    for (int32_t step = 1; step <= record.stepCount(); ++step) {
        for (const int32_t* tile = record.changesBegin(step); tile != record.changesEnd(step);
             ++tile) {
            hash ^= tileKey(*tile);
        }
        std::vector<int32_t>& candidates = stepsByHash[hash];
        // Latest first, so the first confirmed candidate gives the shortest period.
        for (auto earlier = candidates.rbegin(); earlier != candidates.rend(); ++earlier) {
            if (sameLiveSet(record, *earlier, step, flips)) {
                return Period{step - *earlier, step};
            }
        }
        candidates.push_back(step);
    }
    return Period{};
}

void writePeriodLine(std::ostream& out, const Period& period) {
    if (period.length == 0) {
        out << "period=none\n";
    } else {
        out << "period=" << period.length << " from_step=" << period.fromStep << "\n";
    }
}

}  // namespace quorvel
