#include "faces/FaceGraph.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "faces/EdgeKey.h"
#include "tiling/Patch.h"

namespace quorvel {

namespace {

// Only the last two entries of a group decide its slots, so that is all a group keeps. A group
// has two entries or more exactly when previousTile >= 0. Kept apart from the keys: the second
// pass reads only these, 12 bytes a group instead of 48.
struct GroupEnds {
    int32_t lastTile = -1;
    int32_t previousTile = -1;
    int32_t lastEdge = 0;  // edge of lastTile that entered last
};

// A table slot keeps 32 bits of its key's hash beside the group number, so that a probe passes
// other keys without reading them.
struct TableSlot {
    int32_t group = -1;
    uint32_t hashTag = 0;
};

uint64_t hashEdge(const QuantisedEdge& q) {
    uint64_t h = static_cast<uint64_t>(q.x1) * 0x9E3779B97F4A7C15ULL;
    h = (h ^ static_cast<uint64_t>(q.y1)) * 0xBF58476D1CE4E5B9ULL;
    h = (h ^ static_cast<uint64_t>(q.x2)) * 0x94D049BB133111EBULL;
    h = (h ^ static_cast<uint64_t>(q.y2)) * 0x9E3779B97F4A7C15ULL;
    return h ^ (h >> 31);
}

// The groups of the rounded edge keys, entered tile by tile. Overlapping tiles share most
// edges, so the table starts at an eighth of the edge count; a smaller table stays in cache.
// When it fills, it grows once to twice the groups that the tiles entered so far predict for
// all of them, instead of doubling again and again: every rehash is a random write per group.
class RoundedEdgeGroups {
  public:
    RoundedEdgeGroups(std::size_t tileCount, std::size_t edgeCount) : tileCount_(tileCount) {
        while ((std::size_t{1} << tableBits_) < edgeCount / 8) {
            ++tableBits_;
        }
        table_.assign(std::size_t{1} << tableBits_, TableSlot{});
        // Reserving for every edge costs address space only (pages are touched as groups are
        // added) and spares copying the groups as they grow.
        groupKeys_.reserve(edgeCount);
        groups_.reserve(edgeCount);
    }

    // Enters the n edges of tile `tile` (tiles in ascending order); each edge's group number
    // goes to groupOf[j] until resolve() turns it into the slot.
    void addTile(std::size_t tile, const Vec2* polygon, std::size_t n, int32_t* groupOf) {
        points_.resize(n);
        keys_.resize(n);
        hashes_.resize(n);
        // Each vertex is rounded once and shared by its two edges.
        for (std::size_t j = 0; j < n; ++j) {
            points_[j] = quantisePoint(polygon[j]);
        }
        // All of a tile's keys first, their table slots fetched ahead.
        for (std::size_t j = 0; j < n; ++j) {
            keys_[j] = orderEndpoints(points_[j], points_[j + 1 == n ? 0 : j + 1]);
            hashes_[j] = hashEdge(keys_[j]);
            __builtin_prefetch(&table_[static_cast<std::size_t>(hashes_[j] >> (64 - tableBits_))]);
        }
        for (std::size_t j = 0; j < n; ++j) {
            std::size_t probe = findSlot(keys_[j], hashes_[j]);
            int32_t group = table_[probe].group;
            if (group < 0) {
                if (2 * (groups_.size() + 1) > table_.size()) {
                    grow(tile);
                    probe = findSlot(keys_[j], hashes_[j]);
                }
                group = static_cast<int32_t>(groups_.size());
                table_[probe] = {group, static_cast<uint32_t>(hashes_[j])};
                groupKeys_.push_back(keys_[j]);
                groups_.emplace_back();
            }
            GroupEnds& ends = groups_[static_cast<std::size_t>(group)];
            ends.previousTile = ends.lastTile;
            ends.lastTile = static_cast<int32_t>(tile);
            ends.lastEdge = static_cast<int32_t>(j);
            groupOf[j] = group;
        }
    }

    // Once every tile is in: group numbers become neighbours.
    void resolve(std::size_t tile, int32_t* slots, std::size_t n) const {
        for (std::size_t j = 0; j < n; ++j) {
            const GroupEnds& ends = groups_[static_cast<std::size_t>(slots[j])];
            const bool lastEntry = ends.lastTile == static_cast<int32_t>(tile) &&
                                   ends.lastEdge == static_cast<int32_t>(j);
            slots[j] = ends.previousTile < 0 ? -1 : lastEntry ? ends.previousTile : ends.lastTile;
        }
    }

  private:
    std::size_t findSlot(const QuantisedEdge& key, uint64_t hash) const {
        const auto tag = static_cast<uint32_t>(hash);
        const std::size_t mask = table_.size() - 1;
        std::size_t probe = static_cast<std::size_t>(hash >> (64 - tableBits_));
        while (table_[probe].group >= 0 &&
               !(table_[probe].hashTag == tag &&
                 groupKeys_[static_cast<std::size_t>(table_[probe].group)] == key)) {
            probe = (probe + 1) & mask;
        }
        return probe;
    }

    void grow(std::size_t tilesEntered) {
        const std::size_t predictedGroups = groups_.size() * tileCount_ / (tilesEntered + 1);
        do {
            ++tableBits_;
        } while ((std::size_t{1} << tableBits_) < 2 * predictedGroups);
        table_.assign(std::size_t{1} << tableBits_, TableSlot{});
        for (std::size_t g = 0; g < groups_.size(); ++g) {
            const uint64_t hash = hashEdge(groupKeys_[g]);
            table_[findSlot(groupKeys_[g], hash)] = {static_cast<int32_t>(g),
                                                     static_cast<uint32_t>(hash)};
        }
    }

    std::size_t tileCount_;
    int tableBits_ = 4;
    std::vector<TableSlot> table_;
    std::vector<QuantisedEdge> groupKeys_;
    std::vector<GroupEnds> groups_;
    std::vector<QuantisedPoint> points_;
    std::vector<QuantisedEdge> keys_;
    std::vector<uint64_t> hashes_;
};

// An edge entered but not yet matched: the hash of its exact endpoints (the smaller first) and
// the slot (tile * 14 + edge) that entered it. 16 bytes, so that the table of open edges
// stays in cache; a hash match is confirmed against the endpoints themselves.
struct OpenEdge {
    uint64_t hash = 0;
    int32_t slot = -1;  // -1: empty
};

// A vertex's hash, computed once and shared by its two edges.
uint64_t hashVertex(const LatticePoint& p) {
    uint64_t h =
        (static_cast<uint64_t>(static_cast<uint32_t>(p.c0)) << 32 | static_cast<uint32_t>(p.c1)) *
        0x9E3779B97F4A7C15ULL;
    h ^= (static_cast<uint64_t>(static_cast<uint32_t>(p.c2)) << 32 | static_cast<uint32_t>(p.c3)) *
         0xBF58476D1CE4E5B9ULL;
    return h ^ (h >> 31);
}

// The same for either order of the endpoints.
uint64_t hashEdgeEnds(uint64_t a, uint64_t b) {
    const uint64_t h = (a + b) * 0x94D049BB133111EBULL;
    return h ^ (h >> 29);
}

// The edges entered but not yet matched: open addressing with linear probing, at most half
// full; a matched edge is taken out by shifting the entries after it back, so no tombstones
// pile up.
class OpenEdges {
  public:
    // Calls sameEdge(slot) for open edges with the hash until one says yes; that slot leaves
    // the table and is returned. Otherwise the edge stays open with `slot`, and -1 is returned.
    template <typename SameEdge>
    int32_t match(uint64_t hash, int32_t slot, SameEdge&& sameEdge) {
        std::size_t probe = home(hash);
        while (table_[probe].slot >= 0) {
            const OpenEdge& entry = table_[probe];
            if (entry.hash == hash && sameEdge(entry.slot)) {
                const int32_t other = entry.slot;
                remove(probe);
                return other;
            }
            probe = (probe + 1) & mask_;
        }
        table_[probe] = OpenEdge{hash, slot};
        if (2 * ++count_ > table_.size()) {
            grow();
        }
        return -1;
    }

  private:
    std::size_t home(uint64_t hash) const { return static_cast<std::size_t>(hash >> 20) & mask_; }

    void remove(std::size_t hole) {
        --count_;
        std::size_t probe = hole;
        while (true) {
            probe = (probe + 1) & mask_;
            if (table_[probe].slot < 0) {
                break;
            }
            // An entry may fill the hole when its home lies cyclically at or before the hole.
            const std::size_t at = home(table_[probe].hash);
            const bool staysPut =
                hole <= probe ? (hole < at && at <= probe) : (hole < at || at <= probe);
            if (!staysPut) {
                table_[hole] = table_[probe];
                hole = probe;
            }
        }
        table_[hole].slot = -1;
    }

    void grow() {
        std::vector<OpenEdge> old(table_.size() * 2);
        old.swap(table_);
        mask_ = table_.size() - 1;
        for (const OpenEdge& entry : old) {
            if (entry.slot >= 0) {
                std::size_t probe = home(entry.hash);
                while (table_[probe].slot >= 0) {
                    probe = (probe + 1) & mask_;
                }
                table_[probe] = entry;
            }
        }
    }

    std::vector<OpenEdge> table_ = std::vector<OpenEdge>(1024);
    std::size_t mask_ = 1023;
    std::size_t count_ = 0;
};

FaceGraph roundedFaceGraph(const Tiling& tiling) {
    FaceGraph graph;
    graph.slots.resize(tiling.size() * FaceGraph::kSlotsPerTile);
    RoundedEdgeGroups groups(tiling.size(), graph.slots.size());
    forEachTilePolygon(tiling, [&](std::size_t tile, const TileOutline& outline) {
        groups.addTile(tile, outline.data(), outline.size(),
                       graph.slots.data() + tile * FaceGraph::kSlotsPerTile);
    });
    for (std::size_t tile = 0; tile < tiling.size(); ++tile) {
        groups.resolve(tile, graph.slots.data() + tile * FaceGraph::kSlotsPerTile,
                       FaceGraph::kSlotsPerTile);
    }
    return graph;
}

// A supertile of `depth` levels whose tiles begin at `firstTile`; `supertile` is its id.
struct Block {
    std::size_t firstTile;
    int supertile;
};

// The supertiles `blockDepth` levels above the tiles, in the order of their tiles.
void collectBlocks(int supertile, int32_t depth, int32_t blockDepth, const RuleTable& rules,
                   const std::array<std::size_t, 2>& blockTiles, std::size_t& firstTile,
                   std::vector<Block>& blocks) {
    if (depth == blockDepth) {
        blocks.push_back({firstTile, supertile});
        firstTile += blockTiles[supertile == 0 ? 0 : 1];
        return;
    }
    for (const int8_t child : rules.children[static_cast<std::size_t>(supertile)]) {
        if (child >= 0) {
            collectBlocks(child, depth - 1, blockDepth, rules, blockTiles, firstTile, blocks);
        }
    }
}

// Matches the edges of tiles through the table of open edges.
class ExactMatcher {
  public:
    explicit ExactMatcher(const Tiling& tiling) : tiling_(tiling) {
        for (int orientation = 0; orientation < 24; ++orientation) {
            const Placement linear{static_cast<uint8_t>(orientation % 12), orientation >= 12, {}};
            for (std::size_t j = 0; j < n; ++j) {
                oriented_[static_cast<std::size_t>(orientation)][j] =
                    applyLinear(linear, exactBasePolygon()[j]);
            }
        }
    }

    // Slots still -1 among tiles [first, last) are matched; the others are left alone.
    void matchOpen(std::size_t first, std::size_t last, std::vector<int32_t>& slots) {
        for (std::size_t tile = first; tile < last; ++tile) {
            const int32_t* tileSlots = slots.data() + tile * n;
            if (std::find(tileSlots, tileSlots + n, -1) == tileSlots + n) {
                continue;
            }
            for (std::size_t j = 0; j < n; ++j) {
                vertices_[j] = vertex(tile, j);
                vertexHashes_[j] = hashVertex(vertices_[j]);
            }
            for (std::size_t j = 0; j < n; ++j) {
                const auto slot = static_cast<int32_t>(tile * n + j);
                if (slots[static_cast<std::size_t>(slot)] != -1) {
                    continue;
                }
                const std::size_t k = j + 1 == n ? 0 : j + 1;
                const int32_t other = open_.match(
                    hashEdgeEnds(vertexHashes_[j], vertexHashes_[k]), slot,
                    [&](int32_t entered) { return sameEdge(entered, vertices_[j], vertices_[k]); });
                if (other >= 0) {
                    slots[static_cast<std::size_t>(slot)] = other / static_cast<int32_t>(n);
                    slots[static_cast<std::size_t>(other)] = slot / static_cast<int32_t>(n);
                }
            }
        }
    }

  private:
    static constexpr std::size_t n = FaceGraph::kSlotsPerTile;

    LatticePoint vertex(std::size_t tile, std::size_t j) const {
        const Placement& placement = tiling_.placements[tile];
        return placement.shift +
               oriented_[static_cast<std::size_t>(orientationOf(placement))][j % n];
    }

    bool sameEdge(int32_t slot, const LatticePoint& a, const LatticePoint& b) const {
        const auto tile = static_cast<std::size_t>(slot) / n;
        const auto edge = static_cast<std::size_t>(slot) % n;
        const LatticePoint p = vertex(tile, edge);
        const LatticePoint q = vertex(tile, edge + 1);
        return (p == a && q == b) || (p == b && q == a);
    }

    const Tiling& tiling_;
    // The base outline in each of the 24 orientations; a tile's vertex is then one addition.
    std::array<std::array<LatticePoint, n>, 24> oriented_;
    OpenEdges open_;
    std::array<LatticePoint, n> vertices_;
    std::array<uint64_t, n> vertexHashes_;
};

// The genuine patch's supertiles of one depth come in two shapes only, Gamma's and every other
// label's (every other row of the rules has its one Gamma child in the same slot), and their
// tiles are consecutive. So the edges inside a supertile of kBlockDepth levels are matched
// once, on the two patches of that depth, and copied into every supertile; only the few edges
// on a supertile's border (5 % at this depth) go through the table of open edges.
constexpr int32_t kBlockDepth = 4;

FaceGraph exactFaceGraph(const Tiling& tiling) {
    constexpr std::size_t n = FaceGraph::kSlotsPerTile;
    FaceGraph graph;
    graph.slots.assign(tiling.size() * n, -1);
    ExactMatcher matcher(tiling);
    if (tiling.depth <= kBlockDepth) {
        matcher.matchOpen(0, tiling.size(), graph.slots);
        return graph;
    }
    // Inside slots of the two block shapes, relative to the block's first tile; -1 on its
    // border.
    std::array<std::vector<int32_t>, 2> inside;
    std::array<std::size_t, 2> blockTiles{};
    for (const int shape : {0, 1}) {
        const Tiling block = expandPatch(shape == 0 ? "Gamma" : "Delta", kBlockDepth, tiling.kind);
        inside[static_cast<std::size_t>(shape)] = exactFaceGraph(block).slots;
        blockTiles[static_cast<std::size_t>(shape)] = block.size();
    }
    std::vector<Block> blocks;
    std::size_t firstTile = 0;
    collectBlocks(supertileId(tiling.root), tiling.depth, kBlockDepth,
                  ruleTableOf(supertileRules()), blockTiles, firstTile, blocks);
    for (const Block& block : blocks) {
        const std::size_t shape = block.supertile == 0 ? 0 : 1;
        const std::vector<int32_t>& relative = inside[shape];
        int32_t* slots = graph.slots.data() + block.firstTile * n;
        const auto offset = static_cast<int32_t>(block.firstTile);
        for (std::size_t k = 0; k < relative.size(); ++k) {
            slots[k] = relative[k] < 0 ? -1 : relative[k] + offset;
        }
        matcher.matchOpen(block.firstTile, block.firstTile + blockTiles[shape], graph.slots);
    }
    return graph;
}

}  // namespace

FaceGraph buildFaceGraph(const Tiling& tiling) {
    return tiling.kind == TilingKind::Spectre ? exactFaceGraph(tiling) : roundedFaceGraph(tiling);
}

std::vector<std::vector<int32_t>> faceSlotsOf(const std::vector<Polygon>& polygons) {
    std::size_t edgeCount = 0;
    for (const Polygon& polygon : polygons) {
        edgeCount += polygon.size();
    }
    RoundedEdgeGroups groups(polygons.size(), edgeCount);
    std::vector<std::vector<int32_t>> slots(polygons.size());
    for (std::size_t tile = 0; tile < polygons.size(); ++tile) {
        slots[tile].resize(polygons[tile].size());
        groups.addTile(tile, polygons[tile].data(), polygons[tile].size(), slots[tile].data());
    }
    for (std::size_t tile = 0; tile < polygons.size(); ++tile) {
        groups.resolve(tile, slots[tile].data(), slots[tile].size());
    }
    return slots;
}

}  // namespace quorvel
