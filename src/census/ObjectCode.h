// An object's code, the same wherever the object stands, however it is turned or mirrored.
// The canonical form is the object's tiles and ring as placements relative to one of its
// tiles (exact lattice arithmetic, so a rigid motion of the whole cluster leaves it unchanged),
// each with its live flag at each phase, and the weights with which they count each other;
// it is the least such form over every choice of that tile and every cyclic shift of the
// phases. The code is short: a prefix with the kind, period and live count, then a 64-bit hash
// of the form. Forms are kept beside codes so that a census can refuse two forms on one code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automaton/StepGraph.h"
#include "census/Objects.h"
#include "geometry/Lattice.h"

namespace quorvel {

// [period, tiles with ring, then per tile in ascending placement order: turn, mirror, the four
// shift coordinates and one word of phase flags per 31 phases (bit k: live at phase k), then
// per tile: its count of counted tiles within the cluster and (index, weight) pairs].
using CanonicalForm = std::vector<int32_t>;

struct ObjectSighting {
    ObjectKind kind = ObjectKind::Still;
    int32_t period = 1;
    int32_t minAlive = 0;
    int32_t maxAlive = 0;
    int32_t tilesWithRing = 0;
    // A tile of the object live at the run's last step (its first tile when none is).
    int32_t firstTile = 0;
    // "s7_0123456789abcdef", "p2_12_...", "c1_9_..." for a constellation (period, most live).
    std::string code;
    std::shared_ptr<const CanonicalForm> form;
};

ObjectSighting sightObject(const CensusObject& object, const std::vector<Placement>& placements,
                           const StepGraph& graph);
// The same with a worker's buffers.
CanonicalForm canonicalForm(const CensusObject& object, const std::vector<Placement>& placements,
                            const StepGraph& graph, ObjectScratch& scratch);
ObjectSighting sightObject(const CensusObject& object, const std::vector<Placement>& placements,
                           const StepGraph& graph, ObjectScratch& scratch);

// A form read back for drawing: each tile's relative placement and live flag per phase.
struct CanonicalTile {
    Placement placement;
    std::vector<bool> liveAtPhase;
};
std::vector<CanonicalTile> tilesOfForm(const CanonicalForm& form);

}  // namespace quorvel
