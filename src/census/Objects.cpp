#include "census/Objects.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <string>
#include <utility>

namespace quorvel {

const char* objectKindName(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Still:
            return "still";
        case ObjectKind::Oscillator:
            return "oscillator";
        case ObjectKind::Constellation:
            break;
    }
    return "constellation";
}

bool nextAlive(const Rule& rule, bool alive, int32_t sum) {
    const SumSets sets = sumSetsOf(rule);
    return ((alive ? sets.survive : sets.birth) >> sum & 1) != 0;
}

namespace {

using TileSet = std::vector<int32_t>;

class UnionFind {
  public:
    explicit UnionFind(std::size_t size) : parent_(size) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    int32_t root(int32_t i) {
        while (parent_[static_cast<std::size_t>(i)] != i) {
            int32_t& up = parent_[static_cast<std::size_t>(i)];
            up = parent_[static_cast<std::size_t>(up)];
            i = up;
        }
        return i;
    }
    void join(int32_t a, int32_t b) {
        a = root(a);
        b = root(b);
        if (a != b) {
            // The smaller index stays the root, so a group's root is its first tile.
            parent_[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
        }
    }

  private:
    std::vector<int32_t> parent_;
};

// `index` is -1 for every tile and left so; it marks the object's tiles and the ring found.
TileSet ringOf(const StepGraph& graph, const TileSet& tiles, std::vector<int32_t>& index) {
    constexpr int32_t kMarked = -2;
    const Neighbourhood& dependants = *graph.dependants;
    for (const int32_t tile : tiles) {
        index[static_cast<std::size_t>(tile)] = kMarked;
    }
    TileSet ring;
    for (const int32_t tile : tiles) {
        for (uint32_t e = dependants.start[static_cast<std::size_t>(tile)];
             e < dependants.start[static_cast<std::size_t>(tile) + 1]; ++e) {
            int32_t& mark = index[static_cast<std::size_t>(dependants.tiles[e])];
            if (mark != kMarked) {
                mark = kMarked;
                ring.push_back(dependants.tiles[e]);
            }
        }
    }
    for (const int32_t tile : tiles) {
        index[static_cast<std::size_t>(tile)] = -1;
    }
    for (const int32_t tile : ring) {
        index[static_cast<std::size_t>(tile)] = -1;
    }
    std::sort(ring.begin(), ring.end());
    return ring;
}

// Which phases each live tile lives at: `words` 64-bit words a tile, bit k for phase k.
struct PhaseBits {
    int32_t period = 1;
    std::size_t words = 1;
    std::vector<uint64_t> bits;

    bool at(std::size_t tile, int32_t k) const {
        return (bits[tile * words + static_cast<std::size_t>(k) / 64] >> (k % 64) & 1) != 0;
    }
    // The smallest p dividing the period with the tile's flags repeating every p phases.
    int32_t tilePeriod(std::size_t tile) const {
        for (int32_t p = 1; p < period; ++p) {
            if (period % p != 0) {
                continue;
            }
            bool repeats = true;
            for (int32_t k = p; k < period && repeats; ++k) {
                repeats = at(tile, k) == at(tile, k - p);
            }
            if (repeats) {
                return p;
            }
        }
        return period;
    }
};

int32_t greatestCommonDivisor(int32_t a, int32_t b) {
    while (b != 0) {
        a = std::exchange(b, a % b);
    }
    return a;
}

// Whether `tiles`, stepped alone with their ring, go through `phases` (the run's live sets,
// restricted to them) for a whole period and back, the ring staying dead. `index` is -1 for
// every tile and left so.
bool evolvesAlone(const StepGraph& graph, const Rule& rule, const TileSet& tiles,
                  const TileSet& ring, const std::vector<TileSet>& phases, ObjectScratch& scratch) {
    std::vector<int32_t>& index = scratch.ashIndex;
    TileSet& local = scratch.localTiles;
    local.clear();
    std::merge(tiles.begin(), tiles.end(), ring.begin(), ring.end(), std::back_inserter(local));
    for (std::size_t i = 0; i < local.size(); ++i) {
        index[static_cast<std::size_t>(local[i])] = static_cast<int32_t>(i);
    }
    const Neighbourhood& counted = *graph.counted;
    std::vector<uint32_t>& first = scratch.firstCounted;
    first.assign(local.size() + 1, 0);
    std::vector<std::pair<int32_t, uint8_t>>& entries = scratch.counted;
    entries.clear();
    for (std::size_t i = 0; i < local.size(); ++i) {
        const auto tile = static_cast<std::size_t>(local[i]);
        for (uint32_t e = counted.start[tile]; e < counted.start[tile + 1]; ++e) {
            const int32_t j = index[static_cast<std::size_t>(counted.tiles[e])];
            if (j >= 0) {
                entries.emplace_back(j, counted.weights[e]);
            }
        }
        first[i + 1] = static_cast<uint32_t>(entries.size());
    }
    std::vector<uint8_t>& alive = scratch.alive;
    std::vector<uint8_t>& next = scratch.next;
    alive.assign(local.size(), 0);
    next.assign(local.size(), 0);
    for (const int32_t tile : phases[0]) {
        alive[static_cast<std::size_t>(index[static_cast<std::size_t>(tile)])] = 1;
    }
    const auto period = static_cast<int32_t>(phases.size());
    bool same = true;
    for (int32_t step = 1; step <= period && same; ++step) {
        std::size_t liveCount = 0;
        for (std::size_t i = 0; i < local.size(); ++i) {
            int32_t sum = 0;
            for (uint32_t e = first[i]; e < first[i + 1]; ++e) {
                sum += alive[static_cast<std::size_t>(entries[e].first)] ? entries[e].second : 0;
            }
            next[i] = nextAlive(rule, alive[i] != 0, sum) ? 1 : 0;
            liveCount += next[i];
        }
        alive.swap(next);
        const TileSet& expected = phases[static_cast<std::size_t>(step % period)];
        same = liveCount == expected.size();
        for (std::size_t t = 0; t < expected.size() && same; ++t) {
            same =
                alive[static_cast<std::size_t>(index[static_cast<std::size_t>(expected[t])])] != 0;
        }
    }
    for (const int32_t tile : local) {
        index[static_cast<std::size_t>(tile)] = -1;
    }
    return same;
}

// The object of `tiles` (ascending), ash indices `indices`, with its own period and phases.
CensusObject objectOf(const StepGraph& graph, const PhaseBits& phaseBits, TileSet tiles,
                      const std::vector<int32_t>& indices, ObjectKind kindWhenWhole,
                      std::vector<int32_t>& index) {
    CensusObject object;
    object.ring = ringOf(graph, tiles, index);
    int32_t period = 1;
    for (const int32_t index : indices) {
        const int32_t own = phaseBits.tilePeriod(static_cast<std::size_t>(index));
        period = period / greatestCommonDivisor(period, own) * own;
    }
    object.period = period;
    object.phases.resize(static_cast<std::size_t>(period));
    for (int32_t k = 0; k < period; ++k) {
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            if (phaseBits.at(static_cast<std::size_t>(indices[i]), k)) {
                object.phases[static_cast<std::size_t>(k)].push_back(tiles[i]);
            }
        }
    }
    object.tiles = std::move(tiles);
    object.kind = kindWhenWhole == ObjectKind::Constellation ? ObjectKind::Constellation
                  : object.period == 1                       ? ObjectKind::Still
                                                             : ObjectKind::Oscillator;
    return object;
}

}  // namespace

std::vector<CensusObject> findObjects(const StepGraph& graph, const Rule& rule,
                                      const std::vector<std::vector<int32_t>>& phases) {
    ObjectScratch scratch;
    return findObjects(graph, rule, phases, scratch);
}

std::vector<CensusObject> findObjects(const StepGraph& graph, const Rule& rule,
                                      const std::vector<std::vector<int32_t>>& phases,
                                      ObjectScratch& scratch) {
    std::vector<int32_t>& index = scratch.ashIndex;
    if (index.size() != graph.tileCount()) {
        index.assign(graph.tileCount(), -1);
    }
    // Each tile once, marked as it is met: a long period repeats most tiles in every phase.
    TileSet ash;
    for (const TileSet& phase : phases) {
        for (const int32_t tile : phase) {
            int32_t& mark = index[static_cast<std::size_t>(tile)];
            if (mark < 0) {
                mark = 0;
                ash.push_back(tile);
            }
        }
    }
    std::sort(ash.begin(), ash.end());
    if (ash.empty()) {
        return {};
    }
    for (std::size_t i = 0; i < ash.size(); ++i) {
        index[static_cast<std::size_t>(ash[i])] = static_cast<int32_t>(i);
    }
    const Neighbourhood& counted = *graph.counted;
    const Neighbourhood& dependants = *graph.dependants;
    UnionFind clusters(ash.size());
    UnionFind pieces(ash.size());
    for (std::size_t i = 0; i < ash.size(); ++i) {
        const auto tile = static_cast<std::size_t>(ash[i]);
        const auto self = static_cast<int32_t>(i);
        for (uint32_t e = counted.start[tile]; e < counted.start[tile + 1]; ++e) {
            const int32_t other = index[static_cast<std::size_t>(counted.tiles[e])];
            if (other >= 0) {
                clusters.join(self, other);
                pieces.join(self, other);
            }
        }
        // Every tile w that counts this one also feels every other live tile it counts.
        for (uint32_t e = dependants.start[tile]; e < dependants.start[tile + 1]; ++e) {
            const auto w = static_cast<std::size_t>(dependants.tiles[e]);
            for (uint32_t f = counted.start[w]; f < counted.start[w + 1]; ++f) {
                const int32_t other = index[static_cast<std::size_t>(counted.tiles[f])];
                if (other >= 0) {
                    clusters.join(self, other);
                }
            }
        }
    }
    PhaseBits phaseBits;
    phaseBits.period = static_cast<int32_t>(phases.size());
    phaseBits.words = (phases.size() + 63) / 64;
    phaseBits.bits.assign(ash.size() * phaseBits.words, 0);
    for (std::size_t k = 0; k < phases.size(); ++k) {
        for (const int32_t tile : phases[k]) {
            const auto i = static_cast<std::size_t>(index[static_cast<std::size_t>(tile)]);
            phaseBits.bits[i * phaseBits.words + k / 64] |= uint64_t{1} << (k % 64);
        }
    }
    for (const int32_t tile : ash) {
        index[static_cast<std::size_t>(tile)] = -1;
    }
    // Pieces numbered by their first tile, each with its ash indices, ascending; clusters too.
    std::vector<int32_t> pieceOfRoot(ash.size(), -1);
    std::vector<std::vector<int32_t>> pieceIndices;
    std::vector<int32_t> clusterOfRoot(ash.size(), -1);
    std::vector<std::vector<int32_t>> piecesOfCluster;
    for (std::size_t i = 0; i < ash.size(); ++i) {
        int32_t& piece =
            pieceOfRoot[static_cast<std::size_t>(pieces.root(static_cast<int32_t>(i)))];
        if (piece < 0) {
            piece = static_cast<int32_t>(pieceIndices.size());
            pieceIndices.emplace_back();
            int32_t& cluster =
                clusterOfRoot[static_cast<std::size_t>(clusters.root(static_cast<int32_t>(i)))];
            if (cluster < 0) {
                cluster = static_cast<int32_t>(piecesOfCluster.size());
                piecesOfCluster.emplace_back();
            }
            piecesOfCluster[static_cast<std::size_t>(cluster)].push_back(piece);
        }
        pieceIndices[static_cast<std::size_t>(piece)].push_back(static_cast<int32_t>(i));
    }
    const auto tilesOf = [&ash](const std::vector<int32_t>& indices) {
        TileSet tiles;
        tiles.reserve(indices.size());
        for (const int32_t i : indices) {
            tiles.push_back(ash[static_cast<std::size_t>(i)]);
        }
        return tiles;
    };

    std::vector<CensusObject> objects;
    for (const std::vector<int32_t>& cluster : piecesOfCluster) {
        std::vector<CensusObject> split;
        bool separable = cluster.size() > 1;
        for (std::size_t p = 0; p < cluster.size() && separable; ++p) {
            const std::vector<int32_t>& indices =
                pieceIndices[static_cast<std::size_t>(cluster[p])];
            split.push_back(
                objectOf(graph, phaseBits, tilesOf(indices), indices, ObjectKind::Still, index));
            const CensusObject& made = split.back();
            separable = evolvesAlone(graph, rule, made.tiles, made.ring, made.phases, scratch);
        }
        if (separable) {
            for (CensusObject& piece : split) {
                objects.push_back(std::move(piece));
            }
            continue;
        }
        std::vector<int32_t> indices;
        for (const int32_t piece : cluster) {
            const std::vector<int32_t>& more = pieceIndices[static_cast<std::size_t>(piece)];
            indices.insert(indices.end(), more.begin(), more.end());
        }
        std::sort(indices.begin(), indices.end());
        CensusObject whole =
            objectOf(graph, phaseBits, tilesOf(indices), indices,
                     cluster.size() > 1 ? ObjectKind::Constellation : ObjectKind::Still, index);
        if (!evolvesAlone(graph, rule, whole.tiles, whole.ring, whole.phases, scratch)) {
            throw std::logic_error("An object of tile " + std::to_string(whole.tiles.front()) +
                                   " does not evolve alone as in its run");
        }
        objects.push_back(std::move(whole));
    }
    std::sort(objects.begin(), objects.end(), [](const CensusObject& a, const CensusObject& b) {
        return a.tiles.front() < b.tiles.front();
    });
    return objects;
}

}  // namespace quorvel
