#include "automaton/Automaton.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

namespace quorvel {

namespace {

constexpr uint8_t kAliveBit = 0x10;
constexpr std::size_t kTilesPerWord = 64;

// The rule as next[alive][sum]; sums run 0..15, the most a tile's 4 sum bits hold.
using NextTable = std::array<std::array<uint8_t, 16>, 2>;

NextTable nextTable(const Rule& rule) {
    const SumSets sets = sumSetsOf(rule);
    NextTable next{};
    for (uint32_t sum = 0; sum < 16; ++sum) {
        next[0][sum] = static_cast<uint8_t>(sets.birth >> sum & 1);
        next[1][sum] = static_cast<uint8_t>(sets.survive >> sum & 1);
    }
    return next;
}

uint32_t flipMaskOf(const NextTable& next) {
    uint32_t mask = 0;
    for (uint32_t alive = 0; alive < 2; ++alive) {
        for (uint32_t sum = 0; sum < 16; ++sum) {
            if (next[alive][sum] != alive) {
                mask |= uint32_t{1} << (alive << 4 | sum);
            }
        }
    }
    return mask;
}

// Auto goes sparse when the tiles a sparse step would visit (the flips and the tiles counting
// them), times this, are fewer than all tiles: a sparse visit (a scattered mark, a scattered
// read) costs tens of times a tile of the dense sweep, which reads one byte in index order.
// Measured on the genuine patch at depth 7 under B2/S2-3, 32 beat 8 and 128.
constexpr std::size_t kSparseVisitCost = 32;

// Below this the rank table is grown rather than compacted, so that a compaction (one pass
// over the tiles) is paid for by many steps.
std::size_t rankTableFloor(std::size_t tileCount, std::size_t minRankTable) {
    return minRankTable != 0 ? minRankTable : std::max<std::size_t>(1024, tileCount / 32);
}

}  // namespace

// A sum change for a tile of another range, applied by that range's thread.
struct SumDelta {
    int32_t tile;
    uint8_t delta;
};

struct Automaton::Range {
    std::size_t begin = 0;
    std::size_t end = 0;
    // Flips decided in this range, ascending; with one range the flips go to changed_.
    std::vector<int32_t> flips;
    std::size_t flipOffset = 0;
    // Per destination range; the own entry stays empty.
    std::vector<std::vector<SumDelta>> outbox;
    // Live tiles of this range per birth rank, and the lowest rank with any (nextRank_ when
    // none lives here).
    std::vector<uint32_t> liveByRank;
    uint32_t oldestRank = 0;
    int32_t liveCount = 0;

    void advanceOldest(uint32_t nextRank) {
        while (oldestRank < nextRank && liveByRank[oldestRank] == 0) {
            ++oldestRank;
        }
    }
};

// Threads 1.. of a run, started once; the calling thread works range 0. Each phase is handed
// out under one mutex and waited for; a phase is a whole pass over a range, so the hand-off
// is small beside it.
class Automaton::Pool {
  public:
    Pool(Automaton& owner, std::size_t workers) : owner_(owner) {
        for (std::size_t range = 1; range <= workers; ++range) {
            try {
                threads_.emplace_back([this, range] { work(range); });
            } catch (const std::system_error&) {
                break;  // go on with the threads the system gave
            }
        }
    }
    ~Pool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }
    std::size_t workers() const { return threads_.size(); }

    void run(Phase phase) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            phase_ = phase;
            ++generation_;
            pending_ = threads_.size();
        }
        wake_.notify_all();
        owner_.runPhase(phase, 0);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return pending_ == 0; });
    }

  private:
    void work(std::size_t range) {
        uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_) {
                return;
            }
            seen = generation_;
            const Phase phase = phase_;
            lock.unlock();
            owner_.runPhase(phase, range);
            lock.lock();
            if (--pending_ == 0) {
                done_.notify_one();
            }
        }
    }

    Automaton& owner_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Phase phase_ = Phase::Decide;
    uint64_t generation_ = 0;
    std::size_t pending_ = 0;
    bool stop_ = false;
};

Automaton::Automaton(std::shared_ptr<const StepGraph> graph, const Rule& rule,
                     const Population& start, int32_t threads, StepTuning tuning)
    : graph_(std::move(graph)), tuning_(tuning) {
    if (!graph_ || !graph_->counted || !graph_->dependants) {
        throw std::runtime_error("Automaton needs a step graph");
    }
    const std::size_t tileCount = graph_->tileCount();
    const std::size_t minTiles = std::max<std::size_t>(1, tuning_.minTilesPerThread);
    std::size_t rangeCount = 1;
    if (threads > 1 && tileCount >= 2 * minTiles) {
        rangeCount = std::min(static_cast<std::size_t>(threads), tileCount / minTiles);
    }
    // Ranges of whole candidate words; rounding up may leave fewer ranges than asked for.
    const auto splitInto = [&](std::size_t count) {
        const std::size_t perRange = (tileCount + count - 1) / count;
        rangeTiles_ =
            std::max(kTilesPerWord, (perRange + kTilesPerWord - 1) / kTilesPerWord * kTilesPerWord);
        return std::max<std::size_t>(1, (tileCount + rangeTiles_ - 1) / rangeTiles_);
    };
    rangeCount = splitInto(rangeCount);
    if (rangeCount > 1) {
        pool_ = std::make_unique<Pool>(*this, rangeCount - 1);
        if (pool_->workers() + 1 < rangeCount) {
            rangeCount = splitInto(pool_->workers() + 1);
        }
        if (rangeCount == 1) {
            pool_.reset();
        }
    }
    ranges_.resize(rangeCount);
    for (std::size_t r = 0; r < rangeCount; ++r) {
        Range& range = ranges_[r];
        range.begin = std::min(tileCount, r * rangeTiles_);
        range.end = std::min(tileCount, range.begin + rangeTiles_);
        range.outbox.resize(rangeCount);
    }
    alive_.resize(tileCount);
    state_.resize(tileCount);
    rank_.resize(tileCount);
    candidates_.resize((tileCount + kTilesPerWord - 1) / kTilesPerWord);
    restart(rule, start);
}

Automaton::~Automaton() = default;

int32_t Automaton::threadCount() const {
    return static_cast<int32_t>(ranges_.size());
}

void Automaton::restart(const Rule& rule, const Population& start) {
    const std::size_t tileCount = graph_->tileCount();
    if (start.alive.size() != tileCount || start.age.size() != tileCount) {
        throw std::runtime_error("Population of " + std::to_string(start.alive.size()) +
                                 " tiles for a step graph of " + std::to_string(tileCount));
    }
    if (rule.faceWeight != graph_->faceWeight) {
        throw std::runtime_error("Rule of face weight " + std::to_string(rule.faceWeight) +
                                 " for a step graph of face weight " +
                                 std::to_string(graph_->faceWeight));
    }
    rule_ = rule;
    flipMask_ = flipMaskOf(nextTable(rule_));
    stepsDone_ = 0;

    // Alive flags first, then every sum gathered from the tiles each tile counts.
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        alive_[tile] = start.alive[tile] != 0 ? 1 : 0;
    }
    const Neighbourhood& counted = *graph_->counted;
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        uint32_t sum = 0;
        for (uint32_t k = counted.start[tile]; k < counted.start[tile + 1]; ++k) {
            sum += counted.weights[k] * alive_[static_cast<std::size_t>(counted.tiles[k])];
        }
        state_[tile] = static_cast<uint8_t>(alive_[tile] << 4 | sum);
    }

    // Birth ranks: one per distinct starting age, oldest first (a tile of age a was born at
    // step -a).
    std::vector<uint32_t> ages;
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        if (alive_[tile] != 0 && (ages.empty() || ages.back() != start.age[tile])) {
            ages.push_back(start.age[tile]);
        }
    }
    std::sort(ages.begin(), ages.end(), std::greater<uint32_t>());
    ages.erase(std::unique(ages.begin(), ages.end()), ages.end());
    nextRank_ = static_cast<uint32_t>(ages.size());
    const std::size_t capacity =
        std::max(rankTableFloor(tileCount, tuning_.minRankTable), 2 * (ages.size() + 1));
    birthStepOfRank_.assign(capacity, 0);
    rankRemap_.assign(capacity, 0);
    for (std::size_t rank = 0; rank < ages.size(); ++rank) {
        birthStepOfRank_[rank] = -static_cast<int64_t>(ages[rank]);
    }
    for (Range& range : ranges_) {
        range.liveByRank.assign(capacity, 0);
        range.liveCount = 0;
        range.oldestRank = 0;
        range.flips.clear();
        for (std::vector<SumDelta>& box : range.outbox) {
            box.clear();
        }
    }
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        if (alive_[tile] == 0) {
            rank_[tile] = 0;
            continue;
        }
        const auto found =
            std::lower_bound(ages.begin(), ages.end(), start.age[tile], std::greater<uint32_t>());
        rank_[tile] = static_cast<uint32_t>(found - ages.begin());
        Range& range = ranges_[rangeOf(tile)];
        ++range.liveByRank[rank_[tile]];
        ++range.liveCount;
    }
    for (Range& range : ranges_) {
        range.advanceOldest(nextRank_);
    }

    // The first step evaluates every tile: a dense sweep, or (forced sparse) all candidates.
    sparseNow_ = tuning_.mode == StepMode::Sparse;
    std::fill(candidates_.begin(), candidates_.end(), sparseNow_ ? ~uint64_t{0} : 0);
    if (sparseNow_ && tileCount % kTilesPerWord != 0) {
        candidates_.back() = (uint64_t{1} << (tileCount % kTilesPerWord)) - 1;
    }
    changed_.clear();
    finishStep();
}

std::size_t Automaton::rangeOf(std::size_t tile) const {
    return tile / rangeTiles_;
}

std::vector<int32_t>& Automaton::flipsOf(Range& range) {
    return ranges_.size() == 1 ? changed_ : range.flips;
}

uint32_t Automaton::age(std::size_t tile) const {
    if (alive_[tile] == 0) {
        return 0;
    }
    return static_cast<uint32_t>(stepsDone_ - birthStepOfRank_[rank_[tile]]);
}

Population Automaton::population() const {
    Population population;
    population.alive = alive_;
    population.age.resize(alive_.size());
    for (std::size_t tile = 0; tile < alive_.size(); ++tile) {
        population.age[tile] = age(tile);
    }
    return population;
}

void Automaton::step() {
    // Decide from the states before the step; nothing but the flip lists is written.
    if (pool_) {
        pool_->run(Phase::Decide);
    } else {
        runPhase(Phase::Decide, 0);
    }
    std::size_t flipCount = 0;
    for (Range& range : ranges_) {
        range.flipOffset = flipCount;
        flipCount += flipsOf(range).size();
    }
    switch (tuning_.mode) {
        case StepMode::Dense:
            sparseNext_ = false;
            break;
        case StepMode::Sparse:
            sparseNext_ = true;
            break;
        case StepMode::Auto: {
            const std::size_t tileCount = graph_->tileCount();
            const std::size_t perFlip =
                1 + graph_->dependants->tiles.size() / std::max<std::size_t>(1, tileCount);
            sparseNext_ = flipCount * perFlip * kSparseVisitCost < tileCount;
            break;
        }
    }

    // Commit: flip, carry each flip's weights into the sums that count it, and mark what
    // the next step has to look at when it is sparse.
    ++stepsDone_;
    if (flipCount != 0) {
        if (ranges_.size() > 1) {
            changed_.resize(flipCount);
        }
        openRank();
        if (pool_) {
            pool_->run(Phase::Commit);
        } else {
            runPhase(Phase::Commit, 0);
        }
    } else {
        changed_.clear();
    }
    sparseNow_ = sparseNext_;
    finishStep();
}

void Automaton::runPhase(Phase phase, std::size_t index) {
    if (index >= ranges_.size()) {
        return;  // a worker left over when the split came out coarser
    }
    Range& range = ranges_[index];
    if (phase == Phase::Decide) {
        applyInbox(range);
        decide(range);
        return;
    }
    const bool split = ranges_.size() > 1;
    if (sparseNext_) {
        split ? commit<true, true>(range) : commit<true, false>(range);
    } else {
        split ? commit<false, true>(range) : commit<false, false>(range);
    }
}

void Automaton::applyInbox(Range& range) {
    const auto index = static_cast<std::size_t>(&range - ranges_.data());
    for (Range& from : ranges_) {
        std::vector<SumDelta>& box = from.outbox[index];
        for (const SumDelta& change : box) {
            const auto tile = static_cast<std::size_t>(change.tile);
            state_[tile] = static_cast<uint8_t>(state_[tile] + change.delta);
            if (sparseNow_) {
                markCandidate(tile);
            }
        }
        box.clear();
    }
}

void Automaton::decide(Range& range) {
    std::vector<int32_t>& flips = flipsOf(range);
    flips.clear();
    const uint8_t* state = state_.data();
    const uint32_t mask = flipMask_;
    const auto emit = [&flips](std::size_t base, uint64_t bits) {
        while (bits != 0) {
            flips.push_back(
                static_cast<int32_t>(base + static_cast<std::size_t>(__builtin_ctzll(bits))));
            bits &= bits - 1;
        }
    };
    if (sparseNow_) {
        const std::size_t endWord = (range.end + kTilesPerWord - 1) / kTilesPerWord;
        for (std::size_t word = range.begin / kTilesPerWord; word < endWord; ++word) {
            uint64_t bits = candidates_[word];
            if (bits == 0) {
                continue;
            }
            candidates_[word] = 0;
            const std::size_t base = word * kTilesPerWord;
            uint64_t flipping = 0;
            do {
                const auto offset = static_cast<std::size_t>(__builtin_ctzll(bits));
                bits &= bits - 1;
                flipping |= uint64_t{(mask >> state[base + offset]) & 1} << offset;
            } while (bits != 0);
            emit(base, flipping);
        }
        return;
    }
    // Dense: a word's flips as bits, without a branch per tile, then listed.
    const std::size_t fullEnd =
        range.begin + (range.end - range.begin) / kTilesPerWord * kTilesPerWord;
    for (std::size_t base = range.begin; base < fullEnd; base += kTilesPerWord) {
        uint64_t flipping = 0;
        for (std::size_t offset = 0; offset < kTilesPerWord; ++offset) {
            flipping |= uint64_t{(mask >> state[base + offset]) & 1} << offset;
        }
        emit(base, flipping);
    }
    uint64_t flipping = 0;
    for (std::size_t tile = fullEnd; tile < range.end; ++tile) {
        flipping |= uint64_t{(mask >> state[tile]) & 1} << (tile - fullEnd);
    }
    emit(fullEnd, flipping);
}

template <bool kMark, bool kSplit>
void Automaton::commit(Range& range) {
    const std::vector<int32_t>& flips = flipsOf(range);
    const Neighbourhood& dependants = *graph_->dependants;
    const uint32_t* start = dependants.start.data();
    const int32_t* tiles = dependants.tiles.data();
    const uint8_t* weights = dependants.weights.data();
    uint8_t* state = state_.data();
    uint8_t* alive = alive_.data();
    uint32_t* rank = rank_.data();
    uint32_t* liveByRank = range.liveByRank.data();
    const uint32_t stepRank = stepRank_;
    const std::size_t begin = range.begin;
    const std::size_t length = range.end - range.begin;
    int32_t births = 0;
    int32_t deaths = 0;
    for (const int32_t flipped : flips) {
        const auto tile = static_cast<std::size_t>(flipped);
        const auto now = static_cast<uint8_t>(state[tile] ^ kAliveBit);
        state[tile] = now;
        alive[tile] ^= 1;
        // +weight for a birth, -weight (mod 256) for a death: sums never leave 0..14, so the
        // alive bit is never touched.
        uint8_t sign = 1;
        if ((now & kAliveBit) != 0) {
            rank[tile] = stepRank;
            ++births;
        } else {
            --liveByRank[rank[tile]];
            ++deaths;
            sign = 0xFF;
        }
        if (kMark) {
            markCandidate(tile);
        }
        for (uint32_t k = start[tile]; k < start[tile + 1]; ++k) {
            const auto other = static_cast<std::size_t>(tiles[k]);
            const auto delta = static_cast<uint8_t>(weights[k] * sign);
            if (kSplit && other - begin >= length) {
                range.outbox[rangeOf(other)].push_back({tiles[k], delta});
                continue;
            }
            state[other] = static_cast<uint8_t>(state[other] + delta);
            if (kMark) {
                markCandidate(other);
            }
        }
    }
    liveByRank[stepRank] += static_cast<uint32_t>(births);
    range.liveCount += births - deaths;
    range.advanceOldest(nextRank_);
    if (kSplit) {
        std::copy(flips.begin(), flips.end(),
                  changed_.begin() + static_cast<std::ptrdiff_t>(range.flipOffset));
    }
}

void Automaton::openRank() {
    if (nextRank_ == birthStepOfRank_.size()) {
        compactRanks();
    }
    stepRank_ = nextRank_++;
    birthStepOfRank_[stepRank_] = stepsDone_ - 1;
    for (Range& range : ranges_) {
        range.liveByRank[stepRank_] = 0;
    }
}

void Automaton::compactRanks() {
    // Drop the ranks no live tile holds any more, renumbering the rest in order; grow when
    // that frees less than half the table.
    uint32_t kept = 0;
    for (uint32_t rank = 0; rank < nextRank_; ++rank) {
        bool held = false;
        for (const Range& range : ranges_) {
            held = held || range.liveByRank[rank] != 0;
        }
        if (!held) {
            continue;
        }
        rankRemap_[rank] = kept;
        birthStepOfRank_[kept] = birthStepOfRank_[rank];
        for (Range& range : ranges_) {
            range.liveByRank[kept] = range.liveByRank[rank];
        }
        ++kept;
    }
    for (std::size_t tile = 0; tile < alive_.size(); ++tile) {
        if (alive_[tile] != 0) {
            rank_[tile] = rankRemap_[rank_[tile]];
        }
    }
    nextRank_ = kept;
    if (2 * (static_cast<std::size_t>(kept) + 1) > birthStepOfRank_.size()) {
        const std::size_t capacity = 2 * birthStepOfRank_.size();
        birthStepOfRank_.resize(capacity);
        rankRemap_.resize(capacity);
        for (Range& range : ranges_) {
            range.liveByRank.resize(capacity);
        }
    }
    for (Range& range : ranges_) {
        range.oldestRank = 0;
        range.advanceOldest(nextRank_);
    }
}

void Automaton::finishStep() {
    liveCount_ = 0;
    uint32_t oldest = nextRank_;
    for (const Range& range : ranges_) {
        liveCount_ += range.liveCount;
        oldest = std::min(oldest, range.oldestRank);
    }
    maxAge_ = liveCount_ == 0 ? 0 : static_cast<uint32_t>(stepsDone_ - birthStepOfRank_[oldest]);
}

}  // namespace quorvel
