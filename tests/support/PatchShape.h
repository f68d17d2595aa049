// What the exact edges of a patch say about its shape, read plainly by sorting them: edges in
// more than two tiles, pairs from one tile, pairs whose two edges run the same way; the
// distinct vertices and edges; and the border (edges in one tile), whether it is one closed
// loop. The tiles and the tiling's tests share it. A large patch is read in several passes,
// each over the vertices and edges whose first point hashes to it, so that memory stays a
// fraction of the patch's.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/Lattice.h"
#include "tiling/Patch.h"
#include "tiling/Tiling.h"

namespace quorvel::testsupport {

struct PatchShape {
    std::size_t crowded = 0;
    std::size_t selfPaired = 0;
    std::size_t sameWay = 0;
    std::size_t vertices = 0;
    std::size_t edges = 0;
    std::size_t borderEdges = 0;
    bool borderIsOneLoop = false;

    // V - E + F, which is 1 for a topological disk.
    long long eulerCharacteristic(std::size_t tiles) const {
        return static_cast<long long>(vertices) - static_cast<long long>(edges) +
               static_cast<long long>(tiles);
    }
};

// An exact point in one word, 16 bits a coefficient: the genuine patch's coefficients stay
// below 11714 in magnitude up to depth 8. A point outside that range throws rather than
// aliasing another.
inline uint64_t packed(const LatticePoint& p) {
    for (const int32_t c : {p.c0, p.c1, p.c2, p.c3}) {
        if (c != static_cast<int16_t>(c)) {
            throw std::range_error("lattice point too far out to pack");
        }
    }
    return uint64_t{static_cast<uint16_t>(p.c0)} << 48 |
           uint64_t{static_cast<uint16_t>(p.c1)} << 32 |
           uint64_t{static_cast<uint16_t>(p.c2)} << 16 | static_cast<uint16_t>(p.c3);
}

inline std::size_t passOf(uint64_t point, std::size_t passes) {
    const uint64_t h = point * 0x9E3779B97F4A7C15ULL;
    return static_cast<std::size_t>((h ^ (h >> 29)) % passes);
}

inline PatchShape shapeOf(const Tiling& tiling, std::size_t passes = 1) {
    struct Edge {
        uint64_t low;
        uint64_t high;
        int32_t tile;
        bool lowFirst;  // the tile's edge runs from `low` to `high`
    };
    const auto edgeOrder = [](const Edge& a, const Edge& b) {
        return std::tie(a.low, a.high, a.tile) < std::tie(b.low, b.high, b.tile);
    };
    PatchShape shape;
    std::vector<std::pair<uint64_t, uint64_t>> border;
    for (std::size_t pass = 0; pass < passes; ++pass) {
        std::vector<uint64_t> vertices;
        std::vector<Edge> edges;
        for (std::size_t i = 0; i < tiling.size(); ++i) {
            const auto outline = exactOutline(tiling.placements[i]);
            for (std::size_t j = 0; j < outline.size(); ++j) {
                const uint64_t from = packed(outline[j]);
                const uint64_t to = packed(outline[(j + 1) % outline.size()]);
                if (passOf(from, passes) == pass) {
                    vertices.push_back(from);
                }
                const bool forward = from <= to;
                const uint64_t low = forward ? from : to;
                if (passOf(low, passes) == pass) {
                    edges.push_back({low, forward ? to : from, static_cast<int32_t>(i), forward});
                }
            }
        }
        std::sort(vertices.begin(), vertices.end());
        shape.vertices += static_cast<std::size_t>(
            std::unique(vertices.begin(), vertices.end()) - vertices.begin());
        vertices = {};
        std::sort(edges.begin(), edges.end(), edgeOrder);
        for (std::size_t start = 0, end = 0; start < edges.size(); start = end) {
            while (end < edges.size() && edges[end].low == edges[start].low &&
                   edges[end].high == edges[start].high) {
                ++end;
            }
            ++shape.edges;
            if (end - start > 2) {
                ++shape.crowded;
            } else if (end - start == 2) {
                shape.selfPaired += edges[start].tile == edges[start + 1].tile ? 1 : 0;
                shape.sameWay += edges[start].lowFirst == edges[start + 1].lowFirst ? 1 : 0;
            } else {
                border.emplace_back(edges[start].low, edges[start].high);
                border.emplace_back(edges[start].high, edges[start].low);
            }
        }
    }
    shape.borderEdges = border.size() / 2;
    // One loop: every border vertex has exactly two border edges, and the walk from the first
    // comes back to it after every border edge.
    std::sort(border.begin(), border.end());
    bool twoEach = !border.empty();
    for (std::size_t k = 0; twoEach && k < border.size(); k += 2) {
        twoEach = k + 1 < border.size() && border[k].first == border[k + 1].first &&
                  (k + 2 >= border.size() || border[k + 2].first != border[k].first);
    }
    if (twoEach) {
        const auto neighboursOf = [&](uint64_t vertex) {
            const auto at =
                std::lower_bound(border.begin(), border.end(), std::make_pair(vertex, uint64_t{0}));
            return std::make_pair(at->second, (at + 1)->second);
        };
        uint64_t previous = border[0].first, current = border[0].second;
        std::size_t walked = 1;
        while (current != border[0].first && walked <= shape.borderEdges) {
            const auto [a, b] = neighboursOf(current);
            const uint64_t next = a == previous ? b : a;
            previous = current;
            current = next;
            ++walked;
        }
        shape.borderIsOneLoop = current == border[0].first && walked == shape.borderEdges;
    }
    return shape;
}

}  // namespace quorvel::testsupport
