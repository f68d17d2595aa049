// Plain readings of the rules, written for clarity rather than speed: the fast paths of the
// library are checked against them on real tilings, and the benchmarks time both. Their model
// is the fat tile of old, each tile carrying its label, outline, neighbour slots and state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "automaton/Population.h"
#include "automaton/Rule.h"
#include "faces/FaceGraph.h"
#include "geometry/Vec2.h"
#include "run/World.h"

namespace quorvel::reference {

struct Tile {
    std::string label;
    Polygon polygon;
    // Slot j: index of the tile across edge j, or -1.
    std::vector<int32_t> neighbours;
    bool alive = false;
    bool next = false;
    // Consecutive live states, the current one included; 0 for a dead tile.
    uint32_t age = 0;
};

using Tiling = std::vector<Tile>;

// The world's tiles as fat tiles: labels, outlines and neighbour slots, all dead.
Tiling fatTiling(const World& world);

// Text keys in a hash map of strings, every pair of a group visited.
void buildFaceGraphPlain(Tiling& tiling);

// The seeded population: alive when the density exceeds the tile's uniform number, age 1.
void seedPopulationPlain(Tiling& tiling, uint64_t seed, double density);

// One synchronous step: every tile's next state decided from its slots' live neighbours (each
// counted once, capped at faceWeight), then every tile commits.
void stepAutomatonPlain(Tiling& tiling, int32_t birth, int32_t surviveMin, int32_t surviveMax,
                        int32_t faceWeight);

// One step straight from the face graph's slots: every tile's live-face sum recounted from
// its 14 slots (each distinct live tile once, with the slots naming it capped at the face
// weight), every tile decided, then all committed with their ages.
void stepAutomatonPlain(const FaceGraph& faces, const Rule& rule, Population& population);

// Whether a tile in that state with that sum is alive after the step, read from the rule as
// written: the range form by its comparisons, the set form by testing the sum's bit.
bool nextAlivePlain(const Rule& rule, bool alive, int32_t sum);

// For every tile, the other tiles that have one of its 14 exact vertices among theirs, found
// by comparing every pair of tiles' vertices (for small patches), ascending.
std::vector<std::vector<int32_t>> vertexNeighboursPlain(const quorvel::Tiling& tiling);

// One step on such lists: every live neighbour adds 1, whatever the face weight.
void stepVertexPlain(const std::vector<std::vector<int32_t>>& neighbours, const Rule& rule,
                     Population& population);

// The picture written through one std::ofstream with its own number formats, the stream
// checked after opening and after closing.
void writeSvgPlain(const Tiling& tiling, const std::string& path);

}  // namespace quorvel::reference
