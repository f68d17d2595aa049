#include "automaton/Automaton.h"

#include <algorithm>
#include <unordered_map>

namespace quorvel {

namespace {

int32_t liveFaceSum(const Tiling& tiling, const Tile& tile, int32_t faceWeight) {
    std::unordered_map<int32_t, int32_t> facesPerNeighbour;
    for (const int32_t slot : tile.neighbours) {
        if (slot >= 0 && tiling[static_cast<std::size_t>(slot)].alive) {
            ++facesPerNeighbour[slot];
        }
    }
    int32_t sum = 0;
    for (const auto& entry : facesPerNeighbour) {
        sum += std::min(faceWeight, entry.second);
    }
    return sum;
}

}  // namespace

void stepAutomaton(Tiling& tiling, int32_t birth, int32_t surviveMin, int32_t surviveMax,
                   int32_t faceWeight) {
    for (Tile& tile : tiling) {
        const int32_t sum = liveFaceSum(tiling, tile, faceWeight);
        tile.next = tile.alive ? (surviveMin <= sum && sum <= surviveMax) : (sum == birth);
    }
    for (Tile& tile : tiling) {
        tile.alive = tile.next;
        tile.age = tile.alive ? tile.age + 1 : 0;
    }
}

Automaton::Automaton(Tiling& tiling, const Rule& rule) : tiling_(tiling), rule_(rule) {}

void Automaton::step() {
    std::vector<bool> before(tiling_.size());
    for (std::size_t i = 0; i < tiling_.size(); ++i) {
        before[i] = tiling_[i].alive;
    }
    stepAutomaton(tiling_, rule_.birth, rule_.surviveMin, rule_.surviveMax, rule_.faceWeight);
    liveCount_ = 0;
    maxAge_ = 0;
    changed_.clear();
    for (std::size_t i = 0; i < tiling_.size(); ++i) {
        const Tile& tile = tiling_[i];
        liveCount_ += tile.alive ? 1 : 0;
        maxAge_ = std::max(maxAge_, tile.age);
        if (tile.alive != before[i]) {
            changed_.push_back(static_cast<int32_t>(i));
        }
    }
}

}  // namespace quorvel
