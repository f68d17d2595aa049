// The initial population: each tile's state depends only on its index, the seed and the
// density, through one SplitMix64 output step per tile.
#pragma once

#include <cstdint>

#include "tiling/Tiling.h"

namespace quorvel {

// SplitMix64 output of state index * 7919 + seed, scaled to [0, 1) with 53 exact bits.
double tileUniform(uint64_t index, uint64_t seed);

// alive := density > tileUniform (strictly); age 1 when alive, else 0.
void seedPopulation(Tiling& tiling, uint64_t seed, double density);

}  // namespace quorvel
