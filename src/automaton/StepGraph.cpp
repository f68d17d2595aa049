#include "automaton/StepGraph.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "automaton/Rule.h"

namespace quorvel {

namespace {

Neighbourhood countedOf(const FaceGraph& faces, int32_t faceWeight) {
    const std::size_t tileCount = faces.tileCount();
    Neighbourhood counted;
    counted.start.reserve(tileCount + 1);
    counted.tiles.reserve(tileCount * 7);
    counted.weights.reserve(tileCount * 7);
    counted.start.push_back(0);
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        // The named tiles sorted by insertion: 14 slots at most.
        int32_t named[FaceGraph::kSlotsPerTile];
        std::size_t namedCount = 0;
        const int32_t* slots = faces.slotsOf(tile);
        for (std::size_t j = 0; j < FaceGraph::kSlotsPerTile; ++j) {
            if (slots[j] < 0) {
                continue;
            }
            std::size_t place = namedCount++;
            for (; place > 0 && named[place - 1] > slots[j]; --place) {
                named[place] = named[place - 1];
            }
            named[place] = slots[j];
        }
        for (std::size_t run = 0; run < namedCount;) {
            std::size_t runEnd = run + 1;
            while (runEnd < namedCount && named[runEnd] == named[run]) {
                ++runEnd;
            }
            counted.tiles.push_back(named[run]);
            counted.weights.push_back(static_cast<uint8_t>(
                std::min<std::size_t>(static_cast<std::size_t>(faceWeight), runEnd - run)));
            run = runEnd;
        }
        counted.start.push_back(static_cast<uint32_t>(counted.tiles.size()));
    }
    counted.tiles.shrink_to_fit();
    counted.weights.shrink_to_fit();
    return counted;
}

// Whether every entry (t, v, w) has its mirror (v, t, w).
bool isSymmetric(const Neighbourhood& counted) {
    const std::size_t tileCount = counted.tileCount();
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        for (uint32_t k = counted.start[tile]; k < counted.start[tile + 1]; ++k) {
            const auto other = static_cast<std::size_t>(counted.tiles[k]);
            const auto first = counted.tiles.begin() + counted.start[other];
            const auto last = counted.tiles.begin() + counted.start[other + 1];
            const auto mirror = std::lower_bound(first, last, static_cast<int32_t>(tile));
            if (mirror == last || *mirror != static_cast<int32_t>(tile) ||
                counted.weights[static_cast<std::size_t>(mirror - counted.tiles.begin())] !=
                    counted.weights[k]) {
                return false;
            }
        }
    }
    return true;
}

// The transpose; visiting t in ascending order keeps each tile's dependants ascending.
Neighbourhood reversed(const Neighbourhood& counted) {
    const std::size_t tileCount = counted.tileCount();
    Neighbourhood reverse;
    reverse.start.assign(tileCount + 1, 0);
    for (const int32_t other : counted.tiles) {
        ++reverse.start[static_cast<std::size_t>(other) + 1];
    }
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        reverse.start[tile + 1] += reverse.start[tile];
    }
    reverse.tiles.resize(counted.tiles.size());
    reverse.weights.resize(counted.weights.size());
    std::vector<uint32_t> cursor(reverse.start.begin(), reverse.start.end() - 1);
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        for (uint32_t k = counted.start[tile]; k < counted.start[tile + 1]; ++k) {
            const uint32_t place = cursor[static_cast<std::size_t>(counted.tiles[k])]++;
            reverse.tiles[place] = static_cast<int32_t>(tile);
            reverse.weights[place] = counted.weights[k];
        }
    }
    return reverse;
}

}  // namespace

void checkRuleFits(const Rule& rule, const StepGraph& graph) {
    const int32_t largest = largestCountOf(rule);
    if (rule.sets && largest > graph.countBound) {
        throw std::runtime_error("Rule " + ruleText(rule) + " names " + std::to_string(largest) +
                                 ", beyond the largest neighbour count of this world, " +
                                 std::to_string(graph.countBound));
    }
}

StepGraph buildStepGraph(const FaceGraph& faces, int32_t faceWeight) {
    if (faceWeight < 1) {
        throw std::runtime_error("Face weight must be at least 1: " + std::to_string(faceWeight));
    }
    StepGraph graph;
    graph.faceWeight = faceWeight;
    auto counted = std::make_shared<const Neighbourhood>(countedOf(faces, faceWeight));
    graph.dependants =
        isSymmetric(*counted) ? counted : std::make_shared<const Neighbourhood>(reversed(*counted));
    graph.counted = std::move(counted);
    return graph;
}

}  // namespace quorvel
