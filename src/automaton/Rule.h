// The automaton's rule: a dead tile is born when its live-face sum equals `birth`; a live tile
// survives while the sum lies in [surviveMin, surviveMax]. One neighbour adds at most
// `faceWeight` to the sum, however many faces it shares.
#pragma once

#include <cstdint>

namespace quorvel {

struct Rule {
    int32_t birth = 3;
    int32_t surviveMin = 2;
    int32_t surviveMax = 3;
    int32_t faceWeight = 1;
};

}  // namespace quorvel
