#include "automaton/VertexStepGraph.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "automaton/Rule.h"
#include "tiling/Patch.h"

namespace quorvel {

namespace {

struct VertexEntry {
    uint64_t key;
    int32_t tile;
};

// Four 16-bit coefficients, each offset to be non-negative: equal keys are equal points.
uint64_t vertexKey(const LatticePoint& p) {
    uint64_t key = 0;
    for (const int32_t c : {p.c0, p.c1, p.c2, p.c3}) {
        if (c < -32768 || c > 32767) {
            throw std::runtime_error("Vertex coefficient " + std::to_string(c) + " beyond 16 bits");
        }
        key = key << 16 | static_cast<uint64_t>(c + 32768);
    }
    return key;
}

std::runtime_error tooManyNeighbours(int32_t tile) {
    return std::runtime_error(
        "Vertex neighbourhood: tile " + std::to_string(tile) + " shares vertices with more than " +
        std::to_string(kLargestRuleCount) + " tiles, more than a sum can count");
}

}  // namespace

StepGraph buildVertexStepGraph(const Tiling& tiling, int32_t faceWeight) {
    if (faceWeight < 1) {
        throw std::runtime_error("Face weight must be at least 1: " + std::to_string(faceWeight));
    }
    const std::size_t tileCount = tiling.size();
    std::vector<VertexEntry> entries;
    entries.reserve(tileCount * kTileVertices);
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        for (const LatticePoint& vertex : exactOutline(tiling.placements[tile])) {
            entries.push_back({vertexKey(vertex), static_cast<int32_t>(tile)});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const VertexEntry& a, const VertexEntry& b) {
        return a.key != b.key ? a.key < b.key : a.tile < b.tile;
    });

    // Every tile's meetings at its vertices, repeats included (a neighbour across an edge is
    // met twice), gathered per tile in two passes, then sorted and made distinct.
    const auto forEachGroup = [&entries](auto visit) {
        for (std::size_t first = 0; first < entries.size();) {
            std::size_t last = first + 1;
            while (last < entries.size() && entries[last].key == entries[first].key) {
                ++last;
            }
            visit(first, last);
            first = last;
        }
    };
    std::vector<uint32_t> metStart(tileCount + 1, 0);
    forEachGroup([&](std::size_t first, std::size_t last) {
        if (last - first > static_cast<std::size_t>(kLargestRuleCount) + 1) {
            throw tooManyNeighbours(entries[first].tile);
        }
        for (std::size_t e = first; e < last; ++e) {
            metStart[static_cast<std::size_t>(entries[e].tile) + 1] +=
                static_cast<uint32_t>(last - first - 1);
        }
    });
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        metStart[tile + 1] += metStart[tile];
    }
    std::vector<int32_t> met(metStart.back());
    std::vector<uint32_t> cursor(metStart.begin(), metStart.end() - 1);
    forEachGroup([&](std::size_t first, std::size_t last) {
        for (std::size_t e = first; e < last; ++e) {
            for (std::size_t f = first; f < last; ++f) {
                if (f != e) {
                    met[cursor[static_cast<std::size_t>(entries[e].tile)]++] = entries[f].tile;
                }
            }
        }
    });
    entries.clear();
    entries.shrink_to_fit();

    Neighbourhood counted;
    counted.start.reserve(tileCount + 1);
    counted.start.push_back(0);
    int32_t largest = 0;
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        const auto first = met.begin() + metStart[tile];
        auto last = met.begin() + metStart[tile + 1];
        std::sort(first, last);
        last = std::unique(first, last);
        // A degenerate tile meeting itself does not count itself.
        last = std::remove(first, last, static_cast<int32_t>(tile));
        const auto count = static_cast<int32_t>(last - first);
        if (count > kLargestRuleCount) {
            throw tooManyNeighbours(static_cast<int32_t>(tile));
        }
        largest = std::max(largest, count);
        counted.tiles.insert(counted.tiles.end(), first, last);
        counted.start.push_back(static_cast<uint32_t>(counted.tiles.size()));
    }
    counted.weights.assign(counted.tiles.size(), 1);

    StepGraph graph;
    graph.faceWeight = faceWeight;
    graph.countBound = largest;
    graph.counted = std::make_shared<const Neighbourhood>(std::move(counted));
    graph.dependants = graph.counted;
    return graph;
}

StepGraph withFaceWeight(const StepGraph& graph, int32_t faceWeight) {
    StepGraph labelled = graph;
    labelled.faceWeight = faceWeight;
    return labelled;
}

}  // namespace quorvel
