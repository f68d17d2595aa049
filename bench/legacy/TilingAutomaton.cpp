#include "legacy/TilingAutomaton.h"

#include <algorithm>

namespace quorvel::legacy {

namespace {

bool decides(bool alive, int32_t sum, const Rule& rule) {
    return alive ? (rule.surviveMin <= sum && sum <= rule.surviveMax) : (sum == rule.birth);
}

}  // namespace

ReverseAdjacency reverseAdjacency(const Tiling& tiling, int32_t faceWeight) {
    const std::size_t tileCount = tiling.size();
    // Tile t depends on each distinct neighbour u in its slots with weight
    // min(faceWeight, slots naming u). First count, then place.
    ReverseAdjacency adjacency;
    std::vector<int32_t>& start = adjacency.start;
    start.assign(tileCount + 1, 0);
    const auto forEachDistinctNeighbour = [&](std::size_t tile, auto&& visit) {
        const std::vector<int32_t>& slots = tiling[tile].neighbours;
        for (auto slot = slots.begin(); slot != slots.end(); ++slot) {
            if (*slot < 0 || std::find(slots.begin(), slot, *slot) != slot) {
                continue;
            }
            const auto faces = static_cast<int32_t>(std::count(slot, slots.end(), *slot));
            visit(static_cast<std::size_t>(*slot), std::min(faceWeight, faces));
        }
    };
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        forEachDistinctNeighbour(tile,
                                 [&](std::size_t neighbour, int32_t) { ++start[neighbour + 1]; });
    }
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        start[tile + 1] += start[tile];
    }
    adjacency.dependants.resize(static_cast<std::size_t>(start[tileCount]));
    std::vector<int32_t> cursor(start.begin(), start.end() - 1);
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        forEachDistinctNeighbour(tile, [&](std::size_t neighbour, int32_t weight) {
            adjacency.dependants[static_cast<std::size_t>(cursor[neighbour]++)] = {
                static_cast<int32_t>(tile), weight};
        });
    }
    return adjacency;
}

TilingAutomaton::TilingAutomaton(Tiling& tiling, const Rule& rule)
    : TilingAutomaton(
          tiling, rule,
          std::make_shared<const ReverseAdjacency>(reverseAdjacency(tiling, rule.faceWeight))) {}

TilingAutomaton::TilingAutomaton(Tiling& tiling, const Rule& rule,
                                 std::shared_ptr<const ReverseAdjacency> adjacency)
    : tiling_(tiling), rule_(rule), adjacency_(std::move(adjacency)) {
    const std::size_t tileCount = tiling_.size();
    const ReverseAdjacency& reverse = *adjacency_;

    // State, sums and the live list from the tiles as they stand.
    alive_.resize(tileCount);
    liveSum_.assign(tileCount, 0);
    bornAt_.assign(tileCount, 0);
    livePrev_.assign(tileCount, kNone);
    liveNext_.assign(tileCount, kNone);
    std::vector<int32_t> live;
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        alive_[tile] = tiling_[tile].alive ? 1 : 0;
        if (alive_[tile] != 0) {
            bornAt_[tile] = -static_cast<int64_t>(tiling_[tile].age);
            live.push_back(static_cast<int32_t>(tile));
            const int32_t end = reverse.start[tile + 1];
            for (int32_t k = reverse.start[tile]; k < end; ++k) {
                const Dependant& dependant = reverse.dependants[static_cast<std::size_t>(k)];
                liveSum_[static_cast<std::size_t>(dependant.tile)] += dependant.weight;
            }
        }
    }
    std::stable_sort(live.begin(), live.end(), [this](int32_t a, int32_t b) {
        return bornAt_[static_cast<std::size_t>(a)] < bornAt_[static_cast<std::size_t>(b)];
    });
    for (const int32_t tile : live) {
        appendLive(tile);
    }
    liveCount_ = static_cast<int32_t>(live.size());

    // The first step evaluates every tile.
    candidates_.assign((tileCount + 63) / 64, ~uint64_t{0});
    if (tileCount % 64 != 0) {
        candidates_.back() = (uint64_t{1} << (tileCount % 64)) - 1;
    }
    changed_.reserve(tileCount);
}

uint32_t TilingAutomaton::maxAge() const {
    if (liveHead_ == kNone) {
        return 0;
    }
    return static_cast<uint32_t>(stepsDone_ - bornAt_[static_cast<std::size_t>(liveHead_)]);
}

void TilingAutomaton::appendLive(int32_t tile) {
    const auto index = static_cast<std::size_t>(tile);
    livePrev_[index] = liveTail_;
    liveNext_[index] = kNone;
    if (liveTail_ == kNone) {
        liveHead_ = tile;
    } else {
        liveNext_[static_cast<std::size_t>(liveTail_)] = tile;
    }
    liveTail_ = tile;
}

void TilingAutomaton::unlinkLive(int32_t tile) {
    const auto index = static_cast<std::size_t>(tile);
    const int32_t prev = livePrev_[index];
    const int32_t next = liveNext_[index];
    if (prev == kNone) {
        liveHead_ = next;
    } else {
        liveNext_[static_cast<std::size_t>(prev)] = next;
    }
    if (next == kNone) {
        liveTail_ = prev;
    } else {
        livePrev_[static_cast<std::size_t>(next)] = prev;
    }
}

void TilingAutomaton::step() {
    // Decide: only candidates can flip, since a tile whose state and sum are as in the last
    // step decides as it did then. Nothing is written but the flip list.
    changed_.clear();
    for (std::size_t word = 0; word < candidates_.size(); ++word) {
        uint64_t bits = candidates_[word];
        if (bits == 0) {
            continue;
        }
        candidates_[word] = 0;
        do {
            const auto tile = static_cast<int32_t>(word * 64 + __builtin_ctzll(bits));
            bits &= bits - 1;
            const auto index = static_cast<std::size_t>(tile);
            const bool alive = alive_[index] != 0;
            if (decides(alive, liveSum_[index], rule_) != alive) {
                changed_.push_back(tile);
            }
        } while (bits != 0);
    }

    // Commit the flips, carry their weights into the sums of their dependants, and mark every
    // tile whose state or sum moved for the next step.
    const ReverseAdjacency& reverse = *adjacency_;
    ++stepsDone_;
    for (const int32_t tile : changed_) {
        const auto index = static_cast<std::size_t>(tile);
        const bool nowAlive = alive_[index] == 0;
        alive_[index] = nowAlive ? 1 : 0;
        Tile& record = tiling_[index];
        record.alive = nowAlive;
        record.next = nowAlive;
        markCandidate(tile);
        const int32_t end = reverse.start[index + 1];
        for (int32_t k = reverse.start[index]; k < end; ++k) {
            const Dependant& dependant = reverse.dependants[static_cast<std::size_t>(k)];
            liveSum_[static_cast<std::size_t>(dependant.tile)] +=
                nowAlive ? dependant.weight : -dependant.weight;
            markCandidate(dependant.tile);
        }
        if (nowAlive) {
            bornAt_[index] = stepsDone_ - 1;
            appendLive(tile);
            ++liveCount_;
        } else {
            unlinkLive(tile);
            record.age = 0;
            --liveCount_;
        }
    }
    if (stepsDone_ == 1) {
        // Whatever the tiles held before, every dead tile now has age 0 and next matches alive.
        for (std::size_t index = 0; index < tiling_.size(); ++index) {
            Tile& record = tiling_[index];
            record.next = alive_[index] != 0;
            if (alive_[index] == 0) {
                record.age = 0;
            }
        }
    }
    for (int32_t tile = liveHead_; tile != kNone;
         tile = liveNext_[static_cast<std::size_t>(tile)]) {
        const auto index = static_cast<std::size_t>(tile);
        tiling_[index].age = static_cast<uint32_t>(stepsDone_ - bornAt_[index]);
    }
}

}  // namespace quorvel::legacy
