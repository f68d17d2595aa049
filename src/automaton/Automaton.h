// A run of the automaton on a fixed step graph. It owns the state: alive flags, live-face
// sums and birth steps live here and nowhere else. Each step decides every tile from the
// states before it (a dead tile is born when its sum is in the rule's birth set, a live one
// survives while the sum is in its survive set), then commits all of them: a newborn has age 1, a
// survivor's age grows by one, a dying tile's age drops to 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "automaton/Population.h"
#include "automaton/Rule.h"
#include "automaton/StepGraph.h"

namespace quorvel {

// How a step finds the tiles that flip. Sparse evaluates only the tiles whose state or sum
// moved in the last step; Dense sweeps every tile in index order. Both give the same result;
// Auto picks, step by step, the one the last step's flips make cheaper.
enum class StepMode { Auto, Dense, Sparse };

struct StepTuning {
    StepMode mode = StepMode::Auto;
    // A run is split over several threads only when every thread gets at least this many
    // tiles; below it the hand-offs cost more than they save.
    std::size_t minTilesPerThread = std::size_t{1} << 16;
    // Birth-rank table entries below which the table grows instead of being compacted; 0 for
    // max(1024, tiles / 32). Tiny values make every few steps compact.
    std::size_t minRankTable = 0;
};

// Memory beyond the step graph, per tile: 1 byte alive flag, 1 byte state (alive bit and sum),
// 4 bytes birth rank, 1 bit candidate mark, and up to 4 bytes of flip list (twice that with
// several threads): about 10 bytes. Birth ranks index a table with one entry per step that
// had flips and still has a live tile born in it, compacted when it fills.
class Automaton {
  public:
    // Throws when the population's size is not the graph's tile count or the rule's face
    // weight is not the graph's. With threads > 1 a small pool is started here and kept.
    Automaton(std::shared_ptr<const StepGraph> graph, const Rule& rule, const Population& start,
              int32_t threads = 1, StepTuning tuning = {});
    ~Automaton();
    Automaton(const Automaton&) = delete;
    Automaton& operator=(const Automaton&) = delete;

    // A new run on the same graph and threads, reusing every buffer.
    void restart(const Rule& rule, const Population& start);
    void step();

    int32_t liveCount() const { return liveCount_; }
    // The largest age of a live tile; 0 when nothing lives.
    uint32_t maxAge() const { return maxAge_; }
    // Tiles whose alive flag flipped in the last step, ascending.
    const std::vector<int32_t>& changedTiles() const { return changed_; }
    bool alive(std::size_t tile) const { return alive_[tile] != 0; }
    uint32_t age(std::size_t tile) const;
    const std::vector<uint8_t>& aliveFlags() const { return alive_; }
    int64_t stepsDone() const { return stepsDone_; }
    const Rule& rule() const { return rule_; }
    const StepGraph& graph() const { return *graph_; }
    // For another automaton on the same graph (a re-simulation).
    const std::shared_ptr<const StepGraph>& sharedGraph() const { return graph_; }
    // The state as it stands, as a value.
    Population population() const;
    // Threads this run actually steps on (1 below the tuning's threshold).
    int32_t threadCount() const;

  private:
    class Pool;
    struct Range;
    enum class Phase { Decide, Commit };

    void runPhase(Phase phase, std::size_t range);
    void decide(Range& range);
    template <bool kMark, bool kSplit>
    void commit(Range& range);
    void applyInbox(Range& range);
    void openRank();
    void compactRanks();
    void finishStep();
    std::size_t rangeOf(std::size_t tile) const;
    std::vector<int32_t>& flipsOf(Range& range);
    void markCandidate(std::size_t tile) { candidates_[tile >> 6] |= uint64_t{1} << (tile & 63); }

    std::shared_ptr<const StepGraph> graph_;
    Rule rule_;
    StepTuning tuning_;
    // Bit (alive << 4 | sum) is set when a tile in that state flips. Sums never exceed 15
    // (14 face slots; the vertex graph refuses more), so state fits 5 bits; this is the rule's
    // next[alive][sum] table, folded.
    uint32_t flipMask_ = 0;

    int64_t stepsDone_ = 0;
    int32_t liveCount_ = 0;
    uint32_t maxAge_ = 0;
    // Whether this step evaluates only candidates, and whether the coming one will (then this
    // step's commit marks them).
    bool sparseNow_ = false;
    bool sparseNext_ = false;
    // Ranges are this many tiles (a multiple of 64, so no candidate word is shared), the
    // last one fewer.
    std::size_t rangeTiles_ = 64;

    std::vector<uint8_t> alive_;
    // alive << 4 | live-face sum; sums are kept up to date from the flips.
    std::vector<uint8_t> state_;
    // A live tile was born at birthStepOfRank_[rank_[tile]]; ranks grow with birth steps.
    std::vector<uint32_t> rank_;
    std::vector<int64_t> birthStepOfRank_;
    // Ranks in use: [0, nextRank_); the table's capacity is birthStepOfRank_.size().
    uint32_t nextRank_ = 0;
    uint32_t stepRank_ = 0;
    std::vector<uint32_t> rankRemap_;
    // One bit per tile: to be evaluated at the next sparse step.
    std::vector<uint64_t> candidates_;
    std::vector<int32_t> changed_;

    std::vector<Range> ranges_;
    std::unique_ptr<Pool> pool_;
};

}  // namespace quorvel
