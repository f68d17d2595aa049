// How many threads the machine runs at once, the bound of every program's thread count.
#pragma once

#include <algorithm>
#include <cstdint>
#include <thread>

namespace quorvel {

// At least 1 (the standard library may not know), at most 1024.
inline int32_t hardwareThreads() {
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 1 : static_cast<int32_t>(std::min(threads, 1024u));
}

}  // namespace quorvel
