// The ash of a settled run split into objects. The tiles live at some phase of one period are
// grouped into clusters: two of them belong together when one counts the other or a third
// tile counts both, so nothing outside a cluster can ever feel it. A cluster whose tiles are
// one piece (each piece: tiles joined by counting each other directly) is an object. A
// cluster of several pieces is split into them when every piece, stepped alone, does exactly
// what it does in the run; otherwise the pieces need each other and the cluster is kept whole
// as a constellation. Every object is checked by stepping it alone on its tiles and ring.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "automaton/Rule.h"
#include "automaton/StepGraph.h"

namespace quorvel {

enum class ObjectKind { Still, Oscillator, Constellation };

// "still", "oscillator", "constellation".
const char* objectKindName(ObjectKind kind);

struct CensusObject {
    ObjectKind kind = ObjectKind::Still;
    // The object's own period, a divisor of the run's.
    int32_t period = 1;
    // Tiles live at some phase, ascending.
    std::vector<int32_t> tiles;
    // Tiles outside the object that count one of its tiles, ascending; dead at every phase.
    std::vector<int32_t> ring;
    // phases[k]: the object's live tiles k steps after the run's last step, ascending;
    // `period` of them.
    std::vector<std::vector<int32_t>> phases;
};

// Whether a tile with live-face sum `sum` lives after a step under `rule`.
bool nextAlive(const Rule& rule, bool alive, int32_t sum);

// The objects of a run whose live set at the run's last step and the following steps repeats
// with period phases.size(): phases[k] is the live set k steps after it, ascending. Ordered by
// their smallest tile. Throws when an object does not evolve alone as in the run, which the
// grouping rules out; it guards the grouping, not the input.
std::vector<CensusObject> findObjects(const StepGraph& graph, const Rule& rule,
                                      const std::vector<std::vector<int32_t>>& phases);

// Buffers kept between runs: one entry per tile of the world, -1 between calls, so a run's
// cost follows its live tiles, not the world's size.
struct ObjectScratch {
    std::vector<int32_t> ashIndex;
    // An object's tiles and ring, whom each counts among them and their states, reused by
    // every check of an object stepping alone.
    std::vector<int32_t> localTiles;
    std::vector<uint32_t> firstCounted;
    std::vector<std::pair<int32_t, uint8_t>> counted;
    std::vector<uint8_t> alive;
    std::vector<uint8_t> next;
};
std::vector<CensusObject> findObjects(const StepGraph& graph, const Rule& rule,
                                      const std::vector<std::vector<int32_t>>& phases,
                                      ObjectScratch& scratch);

}  // namespace quorvel
