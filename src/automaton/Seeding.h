// The initial population: each tile's state depends only on its index, the seed and the
// density, through one SplitMix64 output step per tile.
#pragma once

#include <cstddef>
#include <cstdint>

#include "automaton/Population.h"

namespace quorvel {

// The generator input of tile `index`: index * 7919 + seed, advanced by SplitMix64's
// increment 0x9E3779B97F4A7C15, all modulo 2^64.
uint64_t tileMixInput(uint64_t index, uint64_t seed);

// SplitMix64's output mix of an advanced state.
uint64_t splitMix64Output(uint64_t x);

// SplitMix64 output of state index * 7919 + seed, scaled to [0, 1) with 53 exact bits.
double tileUniform(uint64_t index, uint64_t seed);

// Tile j is alive when density > tileUniform(j, seed) (strictly), with age 1; else dead, age 0.
Population seedPopulation(std::size_t tileCount, uint64_t seed, double density);

// The same, into a population whose buffers are kept from run to run.
void seedPopulationInto(Population& population, std::size_t tileCount, uint64_t seed,
                        double density);

}  // namespace quorvel
