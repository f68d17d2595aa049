// Who counts whom in a step: for every tile, the distinct tiles its face slots name, each with
// the weight it adds to the tile's live-face sum when alive, and the same relation reversed
// for carrying a flip into the sums that count the flipped tile. Built once per face weight
// and shared, read-only, by every run on the world.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "faces/FaceGraph.h"

namespace quorvel {

// Flat CSR: tile t's entries are [start[t], start[t + 1]), tiles ascending within a tile.
// 4 bytes a tile for `start` and 5 bytes an entry: the genuine patch at depth 7 has about 5.5
// entries a tile, 31.5 bytes a tile for its one shared CSR; quorvel's depth-5 patch, whose
// relation is not symmetric, 78 bytes a tile for both.
struct Neighbourhood {
    std::vector<uint32_t> start;   // tileCount + 1
    std::vector<int32_t> tiles;    // ascending within a tile
    std::vector<uint8_t> weights;  // min(faceWeight, slots naming the tile), 1..14

    std::size_t tileCount() const { return start.empty() ? 0 : start.size() - 1; }
};

struct StepGraph {
    int32_t faceWeight = 1;
    // The largest count a rule may name on this graph: the 14 face slots for a face graph,
    // the largest neighbour count of any tile for a vertex graph.
    int32_t countBound = 14;
    // The distinct tiles t counts.
    std::shared_ptr<const Neighbourhood> counted;
    // The tiles that count t, with the weight they count it with. When the relation is
    // symmetric (same tiles and weights both ways, as on the genuine patch) this is the same
    // object as `counted`, so the graph costs one CSR, not two.
    std::shared_ptr<const Neighbourhood> dependants;

    std::size_t tileCount() const { return counted ? counted->tileCount() : 0; }
    bool symmetric() const { return counted == dependants; }
};

// Throws "Rule TEXT names N, beyond the largest neighbour count of this world, B" when a set
// rule names a count above the graph's countBound. Range rules are clamped to 0..14 as they
// always were and never refused.
struct Rule;
void checkRuleFits(const Rule& rule, const StepGraph& graph);

// Tile t counts each distinct v named in its slots with weight min(faceWeight, slots of t
// naming v); a tile naming itself counts itself. Throws when faceWeight < 1.
StepGraph buildStepGraph(const FaceGraph& faces, int32_t faceWeight);

}  // namespace quorvel
