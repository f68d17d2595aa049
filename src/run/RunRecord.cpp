#include "run/RunRecord.h"

#include <algorithm>
#include <stdexcept>

#include "run/Checkpoint.h"

namespace quorvel {

RunRecord::RunRecord(const Tiling& seeded, const Rule& rule, const CheckpointPolicy& policy,
                     LiveSetKey key, std::shared_ptr<const ReverseAdjacency> adjacency)
    : rule_(rule), policy_(policy), adjacency_(std::move(adjacency)) {
    replay_.resize(seeded.size());
    keys_.reserve(seeded.size());
    for (std::size_t index = 0; index < seeded.size(); ++index) {
        if (!adjacency_) {
            replay_[index].neighbours = seeded[index].neighbours;
        }
        keys_.push_back(key(static_cast<int32_t>(index)));
    }
    start(seeded);
}

void RunRecord::restart(const Tiling& seeded, const Rule& rule,
                        std::shared_ptr<const ReverseAdjacency> adjacency) {
    if (!adjacency_ || !adjacency || seeded.size() != keys_.size()) {
        throw std::logic_error("RunRecord::restart needs a reverse adjacency of the same world");
    }
    rule_ = rule;
    adjacency_ = std::move(adjacency);
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
    start(seeded);
}

void RunRecord::start(const Tiling& seeded) {
    workBetween_ = policy_.workBetween;
    int32_t liveCount = 0;
    for (std::size_t index = 0; index < seeded.size(); ++index) {
        if (seeded[index].alive) {
            ++liveCount;
            hash_ ^= keys_[index];
        }
    }
    liveCounts_.push_back(liveCount);
    latestStepWithHash_.exchange(hash_, 0);
    previousStepWithHash_.push_back(-1);
    takeCheckpoint(seeded, 0);
}

void RunRecord::addStep(const Tiling& now, const TilingAutomaton& automaton) {
    const auto step = static_cast<int32_t>(liveCounts_.size());
    liveCounts_.push_back(automaton.liveCount());
    const std::vector<int32_t>& changed = automaton.changedTiles();
    work_ += static_cast<int64_t>(changed.size()) + kStepWork;

    if (period_.length == 0) {
        for (const int32_t tile : changed) {
            hash_ ^= keys_[static_cast<std::size_t>(tile)];
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

void RunRecord::takeCheckpoint(const Tiling& now, int32_t step) {
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
    oddFlips_.resize(keys_.size());
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

bool RunRecord::sameLiveSet(int32_t earlier, const Tiling& now) {
    if (earlier >= flipLogFirst_) {
        return flipsCancelSince(earlier);
    }
    const auto after = std::upper_bound(
        checkpoints_.begin(), checkpoints_.end(), earlier,
        [](int32_t step, const Checkpoint& checkpoint) { return step < checkpoint.step; });
    const Checkpoint& start = *(after - 1);
    loadCheckpoint(start.bytes, start.step, replay_);
    if (start.step < earlier) {
        if (!adjacency_) {
            adjacency_ = std::make_shared<const ReverseAdjacency>(
                reverseAdjacency(replay_, rule_.faceWeight));
        }
        TilingAutomaton automaton(replay_, rule_, adjacency_);
        for (int32_t step = start.step; step < earlier; ++step) {
            automaton.step();
        }
    }
    for (std::size_t index = 0; index < replay_.size(); ++index) {
        if (replay_[index].alive != now[index].alive) {
            return false;
        }
    }
    return true;
}

}  // namespace quorvel
