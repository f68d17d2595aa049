#include "automaton/Seeding.h"

namespace quorvel {

double tileUniform(uint64_t index, uint64_t seed) {
    uint64_t z = index * 7919u + seed + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z = z ^ (z >> 31);
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

void seedPopulation(Tiling& tiling, uint64_t seed, double density) {
    for (std::size_t j = 0; j < tiling.size(); ++j) {
        Tile& tile = tiling[j];
        tile.alive = density > tileUniform(j, seed);
        tile.age = tile.alive ? 1 : 0;
    }
}

}  // namespace quorvel
