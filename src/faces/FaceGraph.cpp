#include "faces/FaceGraph.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "faces/EdgeKey.h"

namespace quorvel {

namespace {

// Only the last two entries of a group decide its slots, so that is all a group keeps.
struct GroupEnds {
    QuantisedEdge key;
    int32_t size = 0;
    int32_t lastTile = -1;
    int32_t previousTile = -1;
    std::size_t lastEdge = 0;  // global edge number of the last entry
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
    for (Tile& tile : tiling) {
        tile.neighbours.assign(tile.polygon.size(), -1);
        edgeCount += tile.polygon.size();
        largestPolygon = std::max(largestPolygon, tile.polygon.size());
    }

    // Open addressing over group numbers, at most half full: there are never more groups than
    // edges, so the table never grows.
    int tableBits = 4;
    while ((std::size_t{1} << tableBits) < 2 * edgeCount) {
        ++tableBits;
    }
    const std::size_t tableMask = (std::size_t{1} << tableBits) - 1;
    std::vector<int32_t> table(tableMask + 1, -1);
    std::vector<GroupEnds> groups;
    std::vector<int32_t> edgeGroup(edgeCount);
    std::vector<QuantisedPoint> points(largestPolygon);

    std::size_t edge = 0;
    for (std::size_t i = 0; i < tiling.size(); ++i) {
        const Polygon& polygon = tiling[i].polygon;
        const std::size_t n = polygon.size();
        // Each vertex is rounded once and shared by its two edges.
        for (std::size_t j = 0; j < n; ++j) {
            points[j] = quantisePoint(polygon[j]);
        }
        for (std::size_t j = 0; j < n; ++j, ++edge) {
            const QuantisedEdge key = orderEndpoints(points[j], points[j + 1 == n ? 0 : j + 1]);
            std::size_t probe = static_cast<std::size_t>(hashEdge(key) >> (64 - tableBits));
            int32_t group = table[probe];
            while (group >= 0 && !(groups[static_cast<std::size_t>(group)].key == key)) {
                probe = (probe + 1) & tableMask;
                group = table[probe];
            }
            if (group < 0) {
                group = static_cast<int32_t>(groups.size());
                table[probe] = group;
                groups.push_back(GroupEnds{key});
            }
            GroupEnds& ends = groups[static_cast<std::size_t>(group)];
            ends.previousTile = ends.lastTile;
            ends.lastTile = static_cast<int32_t>(i);
            ends.lastEdge = edge;
            ++ends.size;
            edgeGroup[edge] = group;
        }
    }

    edge = 0;
    for (Tile& tile : tiling) {
        for (int32_t& slot : tile.neighbours) {
            const GroupEnds& ends = groups[static_cast<std::size_t>(edgeGroup[edge])];
            if (ends.size >= 2) {
                slot = ends.lastEdge == edge ? ends.previousTile : ends.lastTile;
            }
            ++edge;
        }
    }
}

}  // namespace quorvel
