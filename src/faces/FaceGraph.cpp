#include "faces/FaceGraph.h"

#include <cstdint>
#include <unordered_map>

#include "faces/EdgeKey.h"

namespace quorvel {

namespace {

struct QuantisedEdgeHash {
    std::size_t operator()(const QuantisedEdge& q) const {
        uint64_t h = static_cast<uint64_t>(q.x1) * 0x9E3779B97F4A7C15ULL;
        h ^= static_cast<uint64_t>(q.y1) + 0x632BE59BD9B4E019ULL + (h << 6) + (h >> 2);
        h ^= static_cast<uint64_t>(q.x2) + 0x85157AF5ULL + (h << 6) + (h >> 2);
        h ^= static_cast<uint64_t>(q.y2) + 0x94D049BB133111EBULL + (h << 6) + (h >> 2);
        return static_cast<std::size_t>(h);
    }
};

// Only the last two entries of a group decide its slots, so that is all a group keeps.
struct GroupEnds {
    int32_t size = 0;
    int32_t lastTile = -1;
    int32_t previousTile = -1;
    std::size_t lastEdge = 0;  // global edge number of the last entry
};

}  // namespace

void buildFaceGraph(Tiling& tiling) {
    std::size_t edgeCount = 0;
    for (Tile& tile : tiling) {
        tile.neighbours.assign(tile.polygon.size(), -1);
        edgeCount += tile.polygon.size();
    }

    std::unordered_map<QuantisedEdge, std::size_t, QuantisedEdgeHash> groupOf;
    groupOf.reserve(edgeCount);
    std::vector<GroupEnds> groups;
    std::vector<std::size_t> edgeGroup(edgeCount);

    std::size_t edge = 0;
    for (std::size_t i = 0; i < tiling.size(); ++i) {
        const Polygon& polygon = tiling[i].polygon;
        for (std::size_t j = 0; j < polygon.size(); ++j, ++edge) {
            const QuantisedEdge key = quantiseEdge(polygon[j], polygon[(j + 1) % polygon.size()]);
            const auto inserted = groupOf.emplace(key, groups.size());
            if (inserted.second) {
                groups.emplace_back();
            }
            GroupEnds& group = groups[inserted.first->second];
            group.previousTile = group.lastTile;
            group.lastTile = static_cast<int32_t>(i);
            group.lastEdge = edge;
            ++group.size;
            edgeGroup[edge] = inserted.first->second;
        }
    }

    edge = 0;
    for (Tile& tile : tiling) {
        for (int32_t& slot : tile.neighbours) {
            const GroupEnds& group = groups[edgeGroup[edge]];
            if (group.size >= 2) {
                slot = group.lastEdge == edge ? group.previousTile : group.lastTile;
            }
            ++edge;
        }
    }
}

}  // namespace quorvel
