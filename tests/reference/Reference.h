// Plain readings of the rules, written for clarity rather than speed: the fast paths of the
// library are checked against them on real tilings, and the benchmarks time both.
#pragma once

#include <string>

#include "automaton/Population.h"
#include "automaton/Rule.h"
#include "faces/FaceGraph.h"
#include "tiling/Tiling.h"

namespace quorvel::reference {

// Text keys in a hash map of strings, every pair of a group visited.
void buildFaceGraphPlain(Tiling& tiling);

// The picture written through one std::ofstream with its own number formats, the stream
// checked after opening and after closing.
void writeSvgPlain(const Tiling& tiling, const std::string& path);

// One step straight from the face graph's slots: every tile's live-face sum recounted from
// its 14 slots (each distinct live tile once, with the slots naming it capped at the face
// weight), every tile decided, then all committed with their ages.
void stepAutomatonPlain(const FaceGraph& faces, const Rule& rule, Population& population);

}  // namespace quorvel::reference
