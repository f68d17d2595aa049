// The initial population: each tile's state depends only on its index, the seed and the
// density, through one SplitMix64 output step per tile.
#pragma once

#include <cstdint>

#include "tiling/Tiling.h"

namespace quorvel {

// The generator input of tile `index`: index * 7919 + seed, advanced by SplitMix64's
// increment 0x9E3779B97F4A7C15, all modulo 2^64.
uint64_t tileMixInput(uint64_t index, uint64_t seed);

// SplitMix64's output mix of an advanced state.
uint64_t splitMix64Output(uint64_t x);

// SplitMix64 output of state index * 7919 + seed, scaled to [0, 1) with 53 exact bits.
double tileUniform(uint64_t index, uint64_t seed);

// alive := density > tileUniform (strictly); age 1 when alive, else 0.
void seedPopulation(Tiling& tiling, uint64_t seed, double density);

}  // namespace quorvel
