#include "automaton/Seeding.h"

namespace quorvel {

uint64_t tileMixInput(uint64_t index, uint64_t seed) {
    return index * 7919u + seed + 0x9E3779B97F4A7C15ULL;
}

uint64_t splitMix64Output(uint64_t x) {
    uint64_t z = x;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double tileUniform(uint64_t index, uint64_t seed) {
    return static_cast<double>(splitMix64Output(tileMixInput(index, seed)) >> 11) * 0x1.0p-53;
}

Population seedPopulation(std::size_t tileCount, uint64_t seed, double density) {
    Population population;
    seedPopulationInto(population, tileCount, seed, density);
    return population;
}

void seedPopulationInto(Population& population, std::size_t tileCount, uint64_t seed,
                        double density) {
    population.alive.resize(tileCount);
    population.age.resize(tileCount);
    for (std::size_t j = 0; j < tileCount; ++j) {
        const bool alive = density > tileUniform(j, seed);
        population.alive[j] = alive ? 1 : 0;
        population.age[j] = alive ? 1 : 0;
    }
}

}  // namespace quorvel
