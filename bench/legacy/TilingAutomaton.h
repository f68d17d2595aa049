// The automaton as it was before the world was split, kept for the benchmarks only, so that
// the new one is timed beside the old in one run: it steps fat tiles (tests/reference) and
// writes their alive, next and age fields back at every step.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Reference.h"
#include "automaton/Rule.h"

namespace quorvel::legacy {

using reference::Tile;
using reference::Tiling;

// A tile that counts a neighbour, and how much that neighbour adds to its sum when alive.
struct Dependant {
    int32_t tile;
    int32_t weight;
};

// Reverse adjacency with capped weights, flat: tile t counts neighbour v with weight
// min(faceWeight, slots of t naming v), and the tiles counting v are
// dependants[start[v] .. start[v + 1]), ascending.
struct ReverseAdjacency {
    std::vector<int32_t> start;
    std::vector<Dependant> dependants;
};

ReverseAdjacency reverseAdjacency(const Tiling& tiling, int32_t faceWeight);

// Runs many steps on one tiling whose neighbour slots no longer change. After every step()
// the tiles' alive, next and age fields are exactly those stepAutomaton would give.
//
// The TilingAutomaton takes the tiles' alive and age fields once, at construction, and from then on
// owns the state: the tiling mirrors it and is not read again. A tile's decision depends only
// on its own state and its live-face sum, so a step evaluates only the tiles whose state or sum
// changed in the previous step (all tiles at the first step); sums are kept up to date by
// adding or subtracting a flipped tile's capped weights into the tiles that count it.
class TilingAutomaton {
  public:
    TilingAutomaton(Tiling& tiling, const Rule& rule);
    // With the reverse adjacency of the tiling's slots at rule.faceWeight already built, as
    // many runs on one world share it; the tiling's neighbour slots are then not read.
    TilingAutomaton(Tiling& tiling, const Rule& rule,
                    std::shared_ptr<const ReverseAdjacency> adjacency);

    void step();

    int32_t liveCount() const { return liveCount_; }
    uint32_t maxAge() const;
    // Indices of the tiles whose alive flag flipped in the last step, ascending.
    const std::vector<int32_t>& changedTiles() const { return changed_; }

  private:
    void markCandidate(int32_t tile) {
        candidates_[static_cast<std::size_t>(tile) >> 6] |= uint64_t{1} << (tile & 63);
    }
    void appendLive(int32_t tile);
    void unlinkLive(int32_t tile);

    Tiling& tiling_;
    Rule rule_;
    // Steps done by this TilingAutomaton; a live tile's age is stepsDone_ - bornAt_[tile].
    int64_t stepsDone_ = 0;
    int32_t liveCount_ = 0;

    std::shared_ptr<const ReverseAdjacency> adjacency_;

    std::vector<uint8_t> alive_;
    std::vector<int32_t> liveSum_;
    std::vector<int64_t> bornAt_;
    // One bit per tile: to be evaluated at the next step. Word-wise scanning keeps the order
    // ascending and needs no dedupe.
    std::vector<uint64_t> candidates_;

    // Live tiles linked in order of birth step, so the head is always an oldest live tile.
    // Births of one step share a birth step, so appending at the tail keeps the order.
    static constexpr int32_t kNone = -1;
    std::vector<int32_t> livePrev_;
    std::vector<int32_t> liveNext_;
    int32_t liveHead_ = kNone;
    int32_t liveTail_ = kNone;

    // Reused across steps: flips decided in this step, ascending.
    std::vector<int32_t> changed_;
};

}  // namespace quorvel::legacy
