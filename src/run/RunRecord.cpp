#include "run/RunRecord.h"

#include <algorithm>
#include <stdexcept>

#include "run/Checkpoint.h"

namespace quorvel {

RunRecord::RunRecord(const Automaton& start, const CheckpointPolicy& policy, LiveSetKey key)
    : policy_(policy), key_(key) {
    this->start(start);
}

void RunRecord::restart(const Automaton& start) {
    if (start.aliveFlags().size() != tileCount_) {
        throw std::logic_error("RunRecord::restart needs an automaton on a world of the same size");
    }
    liveCounts_.clear();
    work_ = 0;
    checkpoints_.clear();
    checkpointBytes_ = 0;
    hash_ = 0;
    latestStepWithHash_.clear();
    previousStepWithHash_.clear();
    period_ = Period{};
    flipLog_.clear();
    flipLogEnds_.clear();
    flipLogFirst_ = 0;
    this->start(start);
}

void RunRecord::start(const Automaton& start) {
    rule_ = start.rule();
    graph_ = start.sharedGraph();
    tileCount_ = start.aliveFlags().size();
    workBetween_ = policy_.workBetween;
    const std::vector<uint8_t>& alive = start.aliveFlags();
    for (std::size_t index = 0; index < alive.size(); ++index) {
        if (alive[index] != 0) {
            hash_ ^= key_(static_cast<int32_t>(index));
        }
    }
    liveCounts_.push_back(start.liveCount());
    latestStepWithHash_.exchange(hash_, 0);
    previousStepWithHash_.push_back(-1);
    takeCheckpoint(start, 0);
}

void RunRecord::addStep(const Automaton& automaton) {
    const Automaton& now = automaton;
    const auto step = static_cast<int32_t>(liveCounts_.size());
    liveCounts_.push_back(automaton.liveCount());
    const std::vector<int32_t>& changed = automaton.changedTiles();
    work_ += static_cast<int64_t>(changed.size()) + kStepWork;

    if (period_.length == 0) {
        for (const int32_t tile : changed) {
            hash_ ^= key_(tile);
        }
        flipLog_.insert(flipLog_.end(), changed.begin(), changed.end());
        flipLogEnds_.push_back(flipLog_.size());
        while (flipLog_.size() > policy_.flipLogEntries) {
            const std::size_t dropSteps = (flipLogEnds_.size() + 1) / 2;
            const std::size_t dropEntries = flipLogEnds_[dropSteps - 1];
            flipLog_.erase(flipLog_.begin(),
                           flipLog_.begin() + static_cast<std::ptrdiff_t>(dropEntries));
            flipLogEnds_.erase(flipLogEnds_.begin(),
                               flipLogEnds_.begin() + static_cast<std::ptrdiff_t>(dropSteps));
            for (std::size_t& end : flipLogEnds_) {
                end -= dropEntries;
            }
            flipLogFirst_ += static_cast<int32_t>(dropSteps);
        }
        previousStepWithHash_.push_back(latestStepWithHash_.exchange(hash_, step));
        if (previousStepWithHash_.back() >= 0) {
            for (int32_t earlier = previousStepWithHash_.back(); earlier >= 0;
                 earlier = previousStepWithHash_[static_cast<std::size_t>(earlier)]) {
                if (sameLiveSet(earlier, now)) {
                    period_ = Period{step - earlier, step};
                    // Nothing repeats for the first time again: the search is over.
                    latestStepWithHash_.release();
                    previousStepWithHash_ = {};
                    flipLog_ = {};
                    flipLogEnds_ = {};
                    break;
                }
            }
        }
    }

    if (work_ - checkpoints_.back().work >= workBetween_) {
        takeCheckpoint(now, step);
    }
}

void RunRecord::takeCheckpoint(const Automaton& now, int32_t step) {
    Checkpoint checkpoint{step, work_, encodeCheckpoint(now)};
    checkpoint.bytes.shrink_to_fit();
    checkpointBytes_ += checkpoint.bytes.size();
    checkpoints_.push_back(std::move(checkpoint));
    while (checkpointBytes_ > policy_.budgetBytes && checkpoints_.size() > 2) {
        std::size_t drop = 1;
        for (std::size_t k = 2; k + 1 < checkpoints_.size(); ++k) {
            if (checkpoints_[k + 1].work - checkpoints_[k - 1].work <
                checkpoints_[drop + 1].work - checkpoints_[drop - 1].work) {
                drop = k;
            }
        }
        checkpointBytes_ -= checkpoints_[drop].bytes.size();
        checkpoints_.erase(checkpoints_.begin() + static_cast<std::ptrdiff_t>(drop));
        // Closer ones would only be thinned out again.
        workBetween_ =
            std::max(workBetween_, work_ / static_cast<int64_t>(checkpoints_.size() - 1));
    }
}

bool RunRecord::flipsCancelSince(int32_t earlier) {
    oddFlips_.resize(tileCount_);
    const auto first =
        flipLog_.begin() +
        static_cast<std::ptrdiff_t>(
            earlier == flipLogFirst_
                ? 0
                : flipLogEnds_[static_cast<std::size_t>(earlier - flipLogFirst_ - 1)]);
    for (auto tile = first; tile != flipLog_.end(); ++tile) {
        oddFlips_[static_cast<std::size_t>(*tile)] ^= 1;
    }
    bool cancel = true;
    for (auto tile = first; tile != flipLog_.end(); ++tile) {
        cancel = cancel && oddFlips_[static_cast<std::size_t>(*tile)] == 0;
        oddFlips_[static_cast<std::size_t>(*tile)] = 0;
    }
    return cancel;
}

bool RunRecord::sameLiveSet(int32_t earlier, const Automaton& now) {
    if (earlier >= flipLogFirst_) {
        return flipsCancelSince(earlier);
    }
    const auto after = std::upper_bound(
        checkpoints_.begin(), checkpoints_.end(), earlier,
        [](int32_t step, const Checkpoint& checkpoint) { return step < checkpoint.step; });
    const Checkpoint& start = *(after - 1);
    Automaton replay(graph_, rule_, loadCheckpoint(start.bytes, start.step, tileCount_));
    for (int32_t step = start.step; step < earlier; ++step) {
        replay.step();
    }
    return replay.aliveFlags() == now.aliveFlags();
}

}  // namespace quorvel
