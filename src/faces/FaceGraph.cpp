#include "faces/FaceGraph.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "faces/EdgeKey.h"

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
// other keys without reading them: on a patch without overlaps they lie anywhere in memory.
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

}  // namespace

void buildFaceGraph(Tiling& tiling) {
    std::size_t edgeCount = 0;
    std::size_t largestPolygon = 0;
    for (const Tile& tile : tiling) {
        edgeCount += tile.polygon.size();
        largestPolygon = std::max(largestPolygon, tile.polygon.size());
    }

    // Open addressing over group numbers, kept at most half full. Overlapping tiles share most
    // edges, so the table starts at an eighth of the edge count; a smaller table stays in cache
    // and costs fewer fresh pages. When it fills, it grows once to twice the groups that the
    // tiles entered so far predict for the whole tiling (on a patch without overlaps, about
    // half the edges), instead of doubling again and again: every rehash is a random write per
    // group.
    int tableBits = 4;
    while ((std::size_t{1} << tableBits) < edgeCount / 8) {
        ++tableBits;
    }
    std::vector<TableSlot> table(std::size_t{1} << tableBits);
    std::size_t tableMask = table.size() - 1;
    // A patch without overlaps has about half as many groups as edges. Reserving for every
    // edge costs address space only (pages are touched as groups are added) and spares
    // copying the groups as they grow.
    std::vector<QuantisedEdge> groupKeys;
    groupKeys.reserve(edgeCount);
    std::vector<GroupEnds> groups;
    groups.reserve(edgeCount);
    std::vector<QuantisedPoint> points(largestPolygon);
    std::vector<QuantisedEdge> keys(largestPolygon);
    std::vector<uint64_t> hashes(largestPolygon);

    const auto findSlot = [&](const QuantisedEdge& key, uint64_t hash) {
        const auto tag = static_cast<uint32_t>(hash);
        std::size_t probe = static_cast<std::size_t>(hash >> (64 - tableBits));
        while (table[probe].group >= 0 &&
               !(table[probe].hashTag == tag &&
                 groupKeys[static_cast<std::size_t>(table[probe].group)] == key)) {
            probe = (probe + 1) & tableMask;
        }
        return probe;
    };

    // Pass 1: each slot temporarily holds the number of its edge's group.
    for (std::size_t i = 0; i < tiling.size(); ++i) {
        Tile& tile = tiling[i];
        const Polygon& polygon = tile.polygon;
        const std::size_t n = polygon.size();
        tile.neighbours.resize(n);
        // Each vertex is rounded once and shared by its two edges.
        for (std::size_t j = 0; j < n; ++j) {
            points[j] = quantisePoint(polygon[j]);
        }
        // All of a tile's keys first, their table slots fetched ahead: on a patch without
        // overlaps the slots lie anywhere in a table larger than the cache, and probing one
        // edge at a time would wait for each miss in turn.
        for (std::size_t j = 0; j < n; ++j) {
            keys[j] = orderEndpoints(points[j], points[j + 1 == n ? 0 : j + 1]);
            hashes[j] = hashEdge(keys[j]);
            __builtin_prefetch(&table[static_cast<std::size_t>(hashes[j] >> (64 - tableBits))]);
        }
        for (std::size_t j = 0; j < n; ++j) {
            const QuantisedEdge& key = keys[j];
            std::size_t probe = findSlot(key, hashes[j]);
            int32_t group = table[probe].group;
            if (group < 0) {
                if (2 * (groups.size() + 1) > table.size()) {
                    const std::size_t predictedGroups = groups.size() * tiling.size() / (i + 1);
                    do {
                        ++tableBits;
                    } while ((std::size_t{1} << tableBits) < 2 * predictedGroups);
                    table.assign(std::size_t{1} << tableBits, TableSlot{});
                    tableMask = table.size() - 1;
                    for (std::size_t g = 0; g < groups.size(); ++g) {
                        const uint64_t oldHash = hashEdge(groupKeys[g]);
                        table[findSlot(groupKeys[g], oldHash)] = {static_cast<int32_t>(g),
                                                                  static_cast<uint32_t>(oldHash)};
                    }
                    probe = findSlot(key, hashes[j]);
                }
                group = static_cast<int32_t>(groups.size());
                table[probe] = {group, static_cast<uint32_t>(hashes[j])};
                groupKeys.push_back(key);
                groups.emplace_back();
            }
            GroupEnds& ends = groups[static_cast<std::size_t>(group)];
            ends.previousTile = ends.lastTile;
            ends.lastTile = static_cast<int32_t>(i);
            ends.lastEdge = static_cast<int32_t>(j);
            tile.neighbours[j] = group;
        }
    }

    // Pass 2: group numbers become neighbours.
    for (std::size_t i = 0; i < tiling.size(); ++i) {
        std::vector<int32_t>& slots = tiling[i].neighbours;
        for (std::size_t j = 0; j < slots.size(); ++j) {
            const GroupEnds& ends = groups[static_cast<std::size_t>(slots[j])];
            const bool lastEntry = ends.lastTile == static_cast<int32_t>(i) &&
                                   ends.lastEdge == static_cast<int32_t>(j);
            slots[j] = ends.previousTile < 0 ? -1 : lastEntry ? ends.previousTile : ends.lastTile;
        }
    }
}

}  // namespace quorvel

namespace quorvel {

FaceGraph faceGraphOf(const Tiling& tiling) {
    FaceGraph graph;
    graph.slots.reserve(tiling.size() * FaceGraph::kSlotsPerTile);
    for (const Tile& tile : tiling) {
        graph.slots.insert(graph.slots.end(), tile.neighbours.begin(), tile.neighbours.end());
    }
    return graph;
}

}  // namespace quorvel
