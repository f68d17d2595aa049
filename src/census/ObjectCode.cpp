#include "census/ObjectCode.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace quorvel {

namespace {

constexpr int32_t kPhasesPerWord = 31;

int32_t phaseWords(int32_t period) {
    return (period + kPhasesPerWord - 1) / kPhasesPerWord;
}

auto placementKey(const Placement& p) {
    return std::make_tuple(p.turn, p.mirror, p.shift.c0, p.shift.c1, p.shift.c2, p.shift.c3);
}

uint64_t mixed(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Which tiles of a cluster live at which phase, and whom each counts among them, by local
// index (the tiles and ring ascending), in flat arrays.
struct LocalCluster {
    std::size_t size = 0;
    int32_t period = 1;
    std::vector<uint8_t> live;  // size * period, tile-major
    std::vector<uint32_t> edgeStart;
    std::vector<int32_t> edgeTo;
    std::vector<int32_t> edgeWeight;

    bool liveAt(std::size_t i, int32_t k) const {
        return live[i * static_cast<std::size_t>(period) + static_cast<std::size_t>(k)] != 0;
    }
};

// What a congruence keeps of each tile, refined twice over its neighbours (their values and
// the weights between, summed so that their order does not matter): live phases and their
// changes, which do not move with a cyclic shift of the phases. Only the object tiles with the
// least value need be tried as the reference; on an aperiodic tiling that is nearly always
// one or two.
std::vector<uint64_t> tileInvariants(const LocalCluster& cluster) {
    const std::size_t n = cluster.size;
    std::vector<uint64_t> value(n);
    for (std::size_t i = 0; i < n; ++i) {
        uint64_t phases = 0;
        uint64_t changes = 0;
        for (int32_t k = 0; k < cluster.period; ++k) {
            phases += cluster.liveAt(i, k) ? 1 : 0;
            changes += cluster.liveAt(i, k) != cluster.liveAt(i, (k + 1) % cluster.period) ? 1 : 0;
        }
        value[i] =
            mixed(phases << 32 | changes << 8 | (cluster.edgeStart[i + 1] - cluster.edgeStart[i]));
    }
    std::vector<uint64_t> next(n);
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < n; ++i) {
            uint64_t around = 0;
            for (uint32_t e = cluster.edgeStart[i]; e < cluster.edgeStart[i + 1]; ++e) {
                around += mixed(value[static_cast<std::size_t>(cluster.edgeTo[e])] +
                                static_cast<uint64_t>(cluster.edgeWeight[e]));
            }
            next[i] = mixed(value[i] ^ mixed(around));
        }
        value.swap(next);
    }
    return value;
}

}  // namespace

CanonicalForm canonicalForm(const CensusObject& object, const std::vector<Placement>& placements,
                            const StepGraph& graph, ObjectScratch& scratch) {
    std::vector<int32_t> local;
    local.reserve(object.tiles.size() + object.ring.size());
    std::merge(object.tiles.begin(), object.tiles.end(), object.ring.begin(), object.ring.end(),
               std::back_inserter(local));
    LocalCluster cluster;
    cluster.size = local.size();
    cluster.period = object.period;
    const std::size_t n = cluster.size;
    const int32_t period = object.period;
    std::vector<int32_t>& index = scratch.ashIndex;
    if (index.size() != graph.tileCount()) {
        index.assign(graph.tileCount(), -1);
    }
    for (std::size_t i = 0; i < n; ++i) {
        index[static_cast<std::size_t>(local[i])] = static_cast<int32_t>(i);
    }
    const auto localIndex = [&index](int32_t tile) {
        return index[static_cast<std::size_t>(tile)];
    };
    cluster.live.assign(n * static_cast<std::size_t>(period), 0);
    for (int32_t k = 0; k < period; ++k) {
        for (const int32_t tile : object.phases[static_cast<std::size_t>(k)]) {
            cluster.live[static_cast<std::size_t>(localIndex(tile)) *
                             static_cast<std::size_t>(period) +
                         static_cast<std::size_t>(k)] = 1;
        }
    }
    const Neighbourhood& counted = *graph.counted;
    cluster.edgeStart.assign(n + 1, 0);
    cluster.edgeTo.reserve(n * 8);
    cluster.edgeWeight.reserve(n * 8);
    for (std::size_t i = 0; i < n; ++i) {
        const auto tile = static_cast<std::size_t>(local[i]);
        for (uint32_t e = counted.start[tile]; e < counted.start[tile + 1]; ++e) {
            const int32_t j = localIndex(counted.tiles[e]);
            if (j >= 0) {
                cluster.edgeTo.push_back(j);
                cluster.edgeWeight.push_back(counted.weights[e]);
            }
        }
        cluster.edgeStart[i + 1] = static_cast<uint32_t>(cluster.edgeTo.size());
    }
    for (const int32_t tile : local) {
        index[static_cast<std::size_t>(tile)] = -1;
    }
    const std::vector<uint64_t> invariants = tileInvariants(cluster);
    std::vector<std::size_t> references;
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::binary_search(object.tiles.begin(), object.tiles.end(), local[i])) {
            continue;
        }
        if (!references.empty() && invariants[i] != invariants[references.front()]) {
            if (invariants[i] > invariants[references.front()]) {
                continue;
            }
            references.clear();
        }
        references.push_back(i);
    }

    const int32_t words = phaseWords(period);
    const std::size_t entryInts = 6 + static_cast<std::size_t>(words);
    // Each tile's flags at shift 0 when they fit one word.
    std::vector<uint32_t> flagsAtZero(words == 1 ? n : 0, 0);
    const uint32_t periodMask = words == 1 ? (uint32_t{1} << period) - 1 : 0;
    for (std::size_t i = 0; i < flagsAtZero.size(); ++i) {
        for (int32_t k = 0; k < period; ++k) {
            flagsAtZero[i] |= cluster.liveAt(i, k) ? uint32_t{1} << k : 0;
        }
    }
    // Flags never reach bit 31, so their order as unsigned words is the form's order.
    std::vector<uint32_t> shifted(flagsAtZero.size());
    std::vector<uint32_t> leastShifted(flagsAtZero.size());
    CanonicalForm best;
    CanonicalForm form(2 + n * entryInts);
    form[0] = period;
    form[1] = static_cast<int32_t>(n);
    std::vector<Placement> relative(n);
    std::vector<std::size_t> order(n);
    std::vector<int32_t> rankOf(n);
    std::vector<std::pair<int32_t, int32_t>> ranked;
    // The placements, then per tile its count and (index, weight) pairs.
    form.reserve(2 + n * entryInts + n + 2 * cluster.edgeTo.size());
    best.reserve(form.capacity());
    for (const std::size_t reference : references) {
        const Placement undo =
            inversePlacement(placements[static_cast<std::size_t>(local[reference])]);
        for (std::size_t i = 0; i < n; ++i) {
            relative[i] = composePlacements(undo, placements[static_cast<std::size_t>(local[i])]);
            order[i] = i;
        }
        std::sort(order.begin(), order.end(), [&relative](std::size_t a, std::size_t b) {
            return placementKey(relative[a]) < placementKey(relative[b]);
        });
        for (std::size_t rank = 0; rank < n; ++rank) {
            rankOf[order[rank]] = static_cast<int32_t>(rank);
        }
        // The placements and the edges do not move with the phases: only the flags are
        // rewritten for each shift.
        form.resize(2 + n * entryInts);
        for (std::size_t rank = 0; rank < n; ++rank) {
            const Placement& p = relative[order[rank]];
            int32_t* entry = form.data() + 2 + rank * entryInts;
            entry[0] = p.turn;
            entry[1] = p.mirror ? 1 : 0;
            entry[2] = p.shift.c0;
            entry[3] = p.shift.c1;
            entry[4] = p.shift.c2;
            entry[5] = p.shift.c3;
        }
        for (const std::size_t i : order) {
            ranked.clear();
            for (uint32_t e = cluster.edgeStart[i]; e < cluster.edgeStart[i + 1]; ++e) {
                ranked.emplace_back(rankOf[static_cast<std::size_t>(cluster.edgeTo[e])],
                                    cluster.edgeWeight[e]);
            }
            std::sort(ranked.begin(), ranked.end());
            form.push_back(static_cast<int32_t>(ranked.size()));
            for (const auto& [j, weight] : ranked) {
                form.push_back(j);
                form.push_back(weight);
            }
        }
        if (words == 1) {
            // One word of flags: a shift of the phases is a rotation of its bits, and as the
            // placements and edges stay, the least shift is the least run of flags in rank order.
            for (int32_t shift = 0; shift < period; ++shift) {
                const auto s = static_cast<uint32_t>(shift);
                for (std::size_t rank = 0; rank < n; ++rank) {
                    const uint32_t bits = flagsAtZero[order[rank]];
                    shifted[rank] =
                        (s == 0 ? bits
                                : (bits >> s | bits << (static_cast<uint32_t>(period) - s))) &
                        periodMask;
                }
                if (shift == 0 || shifted < leastShifted) {
                    leastShifted.swap(shifted);
                }
            }
            for (std::size_t rank = 0; rank < n; ++rank) {
                form[2 + rank * entryInts + 6] = static_cast<int32_t>(leastShifted[rank]);
            }
            if (best.empty() || form < best) {
                best = form;
            }
            continue;
        }
        for (int32_t shift = 0; shift < period; ++shift) {
            for (std::size_t rank = 0; rank < n; ++rank) {
                int32_t* flags = form.data() + 2 + rank * entryInts + 6;
                for (int32_t word = 0; word < words; ++word) {
                    int32_t bits = 0;
                    for (int32_t b = 0; b < kPhasesPerWord; ++b) {
                        const int32_t k = word * kPhasesPerWord + b;
                        if (k < period && cluster.liveAt(order[rank], (k + shift) % period)) {
                            bits |= int32_t{1} << b;
                        }
                    }
                    flags[word] = bits;
                }
            }
            if (best.empty() || form < best) {
                best = form;
            }
        }
    }
    return best;
}

ObjectSighting sightObject(const CensusObject& object, const std::vector<Placement>& placements,
                           const StepGraph& graph) {
    ObjectScratch scratch;
    return sightObject(object, placements, graph, scratch);
}

ObjectSighting sightObject(const CensusObject& object, const std::vector<Placement>& placements,
                           const StepGraph& graph, ObjectScratch& scratch) {
    ObjectSighting sighting;
    sighting.kind = object.kind;
    sighting.period = object.period;
    sighting.minAlive = static_cast<int32_t>(object.tiles.size());
    for (const std::vector<int32_t>& phase : object.phases) {
        const auto count = static_cast<int32_t>(phase.size());
        sighting.minAlive = std::min(sighting.minAlive, count);
        sighting.maxAlive = std::max(sighting.maxAlive, count);
    }
    sighting.tilesWithRing = static_cast<int32_t>(object.tiles.size() + object.ring.size());
    sighting.firstTile = object.phases[0].empty() ? object.tiles.front() : object.phases[0].front();
    auto form = std::make_shared<CanonicalForm>(canonicalForm(object, placements, graph, scratch));
    uint64_t hash = 0x9E3779B97F4A7C15ULL;
    for (const int32_t value : *form) {
        hash = mixed(hash ^ static_cast<uint32_t>(value)) + 0x9E3779B97F4A7C15ULL;
    }
    std::string code;
    switch (object.kind) {
        case ObjectKind::Still:
            code = "s" + std::to_string(sighting.maxAlive) + "_";
            break;
        case ObjectKind::Oscillator:
            code =
                "p" + std::to_string(object.period) + "_" + std::to_string(sighting.maxAlive) + "_";
            break;
        case ObjectKind::Constellation:
            code =
                "c" + std::to_string(object.period) + "_" + std::to_string(sighting.maxAlive) + "_";
            break;
    }
    static const char kHex[] = "0123456789abcdef";
    for (int shift = 60; shift >= 0; shift -= 4) {
        code.push_back(kHex[(hash >> shift) & 15]);
    }
    sighting.code = std::move(code);
    sighting.form = std::move(form);
    return sighting;
}

std::vector<CanonicalTile> tilesOfForm(const CanonicalForm& form) {
    const int32_t period = form.at(0);
    const auto n = static_cast<std::size_t>(form.at(1));
    const auto words = static_cast<std::size_t>(phaseWords(period));
    std::vector<CanonicalTile> tiles(n);
    std::size_t at = 2;
    for (CanonicalTile& tile : tiles) {
        tile.placement.turn = static_cast<uint8_t>(form.at(at));
        tile.placement.mirror = form.at(at + 1) != 0;
        tile.placement.shift = {form.at(at + 2), form.at(at + 3), form.at(at + 4), form.at(at + 5)};
        at += 6;
        for (int32_t k = 0; k < period; ++k) {
            tile.liveAtPhase.push_back(
                ((form.at(at + static_cast<std::size_t>(k / kPhasesPerWord)) >>
                  (k % kPhasesPerWord)) &
                 1) != 0);
        }
        at += words;
    }
    return tiles;
}

}  // namespace quorvel
