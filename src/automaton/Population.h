// The automaton's state as a value: which tiles live and how long they have, indexed like the
// tiles. A run starts from one and hands one back; the Automaton keeps its own working form.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvel {

// alive[t] is 1 or 0; age[t] counts consecutive live states, the current one included, and is
// 0 for a dead tile. 5 bytes a tile.
struct Population {
    std::vector<uint8_t> alive;
    std::vector<uint32_t> age;
};

}  // namespace quorvel
