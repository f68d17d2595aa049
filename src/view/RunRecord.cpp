#include "view/RunRecord.h"

#include <algorithm>

namespace quorvel {

RunRecord::RunRecord(const Tiling& seeded) : stepStarts_{0} {
    seededAlive_.reserve(seeded.size());
    for (const Tile& tile : seeded) {
        seededAlive_.push_back(tile.alive ? 1 : 0);
    }
}

void RunRecord::addStep(const std::vector<int32_t>& changedTiles) {
    changes_.insert(changes_.end(), changedTiles.begin(), changedTiles.end());
    stepStarts_.push_back(changes_.size());
}

const int32_t* RunRecord::changesBegin(int32_t step) const {
    return changes_.data() + stepStarts_[static_cast<std::size_t>(step) - 1];
}

const int32_t* RunRecord::changesEnd(int32_t step) const {
    return changes_.data() + stepStarts_[static_cast<std::size_t>(step)];
}

int32_t ReplayState::liveCount() const {
    return static_cast<int32_t>(
        std::count_if(birthStep.begin(), birthStep.end(), [](int32_t b) { return b >= 0; }));
}

uint32_t ReplayState::maxAge() const {
    uint32_t oldest = 0;
    for (const int32_t born : birthStep) {
        if (born >= 0) {
            oldest = std::max(oldest, static_cast<uint32_t>(step - born + 1));
        }
    }
    return oldest;
}

ReplayState seededState(const RunRecord& record) {
    ReplayState state;
    state.birthStep.reserve(record.seededAlive().size());
    for (const uint8_t alive : record.seededAlive()) {
        state.birthStep.push_back(alive ? 0 : -1);
    }
    return state;
}

void advance(const RunRecord& record, ReplayState& state) {
    ++state.step;
    for (const int32_t* tile = record.changesBegin(state.step);
         tile != record.changesEnd(state.step); ++tile) {
        int32_t& born = state.birthStep[static_cast<std::size_t>(*tile)];
        born = born < 0 ? state.step : -1;
    }
}

}  // namespace quorvel
