// The latest step at which each live-set hash was seen, for the period search. Open
// addressing over a power-of-two table: recording a step allocates only when the table
// doubles, and clear() keeps the table for the next run of a census.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

class LatestStepByHash {
  public:
    // Records `step` as the latest step with `hash`; returns the step it replaces, or -1.
    int32_t exchange(uint64_t hash, int32_t step) {
        if ((count_ + 1) * 2 > slots_.size()) {
            grow();
        }
        Slot& slot = find(hash);
        const int32_t previous = slot.step;
        if (previous < 0) {
            slot.hash = hash;
            ++count_;
        }
        slot.step = step;
        return previous;
    }

    void clear() {
        std::fill(slots_.begin(), slots_.end(), Slot{});
        count_ = 0;
    }

    // Gives the memory back: the search is over.
    void release() {
        slots_ = {};
        count_ = 0;
    }

  private:
    struct Slot {
        uint64_t hash = 0;
        int32_t step = -1;  // -1: empty
    };

    // The slot holding `hash`, or the empty slot where it belongs. The hash is mixed before
    // it picks a slot, so that even a weak hash (tests inject one) spreads over the table.
    Slot& find(uint64_t hash) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t index = static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ULL) >> 32) & mask;
        while (slots_[index].step >= 0 && slots_[index].hash != hash) {
            index = (index + 1) & mask;
        }
        return slots_[index];
    }

    void grow() {
        std::vector<Slot> old(std::max<std::size_t>(slots_.size() * 2, 1024));
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.step >= 0) {
                find(slot.hash) = slot;
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

}  // namespace quorvel
