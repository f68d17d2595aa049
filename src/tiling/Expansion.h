// Recursive substitution: a root supertile label and a depth become the ordered list of leaf
// tiles, depth-first with children in slot order. Each level has its own list of child
// transforms; when every level shares one list (quorvel's patch) several leaves land on the
// same place from depth 2 on and stay as separate tiles. Every placement is carried twice: as
// the floating-point transform the picture is drawn with, composed exactly as it always was,
// and as the exact lattice placement that the genuine patch's adjacency is keyed by.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Affine.h"
#include "geometry/Lattice.h"
#include "tiling/SupertileRules.h"
#include "tiling/Tiling.h"

namespace quorvel {

// Entry d holds the eight child transforms of a supertile with d levels still to expand;
// entry 0 is unused (a leaf has no children).
using LevelTransforms = std::vector<std::vector<Affine>>;
using LevelPlacements = std::vector<std::vector<Placement>>;

// The rules by number: supertile ids follow the rules' rows (Gamma 0, Delta 1, ..., Psi 8);
// a slot holds its child's id, or -1 for "null". Built once from supertileRules().
inline constexpr int kSupertileCount = 9;
struct RuleTable {
    std::array<std::array<int8_t, 8>, kSupertileCount> children{};
};
RuleTable ruleTableOf(const SupertileRules& rules);

// The id of one of the nine supertile labels, or -1.
int supertileId(const std::string& label);

// A leaf of the expansion: its label and both forms of its placement.
struct Leaf {
    TileLabel label;
    const Affine& transform;
    const Placement& placement;
};

// Everything the expansion reads, built once per patch.
struct ExpansionRecipe {
    Polygon base;
    LevelTransforms transforms;
    LevelPlacements placements;
    RuleTable rules;
    // The second tile of a Gamma leaf: turned +30 degrees about its own origin, which then
    // moves onto base vertex 8.
    Affine gammaPivot;
    Placement gammaPivotPlacement;
};

// Calls visit(leaf) for one tile, or for the two tiles of a Gamma leaf in order.
template <typename Visit>
void emitTile(int supertile, const Affine& transform, const Placement& placement,
              const ExpansionRecipe& recipe, Visit& visit) {
    if (supertile == 0) {
        visit(Leaf{kTileLabelCount - 2, transform, placement});
        const Affine second = compose(transform, recipe.gammaPivot);
        const Placement secondPlacement = composePlacements(placement, recipe.gammaPivotPlacement);
        visit(Leaf{kTileLabelCount - 1, second, secondPlacement});
        return;
    }
    visit(Leaf{static_cast<TileLabel>(supertile - 1), transform, placement});
}

// Visits every leaf below `supertile` placed by `transform`, in order. The recipe needs
// entries 1..depth of both transform lists.
template <typename Visit>
void expandSupertile(int supertile, int32_t depth, const Affine& transform,
                     const Placement& placement, const ExpansionRecipe& recipe, Visit& visit) {
    if (depth == 0) {
        emitTile(supertile, transform, placement, recipe, visit);
        return;
    }
    const auto level = static_cast<std::size_t>(depth);
    const std::array<int8_t, 8>& children =
        recipe.rules.children[static_cast<std::size_t>(supertile)];
    for (std::size_t slot = 0; slot < children.size(); ++slot) {
        if (children[slot] < 0) {
            continue;  // the slot keeps its transform index: slot k always uses transform k
        }
        expandSupertile(
            children[slot], depth - 1, compose(transform, recipe.transforms[level][slot]),
            composePlacements(placement, recipe.placements[level][slot]), recipe, visit);
    }
}

// The label of a supertile id: "Gamma" for 0, "Delta" for 1, ...
const char* supertileName(int supertile);

// Calls visit(chain) for every tile below `supertile` expanded `depth` levels, in the
// expansion's order, `chain` holding the supertile ids from `supertile` down to the tile's own
// (the two tiles of a Gamma leaf share "Gamma"). The rules alone decide it: nothing is placed.
template <typename Visit>
void forEachSupertileChain(int supertile, int32_t depth, const RuleTable& rules,
                           std::vector<int>& chain, Visit& visit) {
    chain.push_back(supertile);
    if (depth == 0) {
        visit(static_cast<const std::vector<int>&>(chain));
        if (supertile == 0) {
            visit(static_cast<const std::vector<int>&>(chain));
        }
    } else {
        for (const int8_t child : rules.children[static_cast<std::size_t>(supertile)]) {
            if (child >= 0) {
                forEachSupertileChain(child, depth - 1, rules, chain, visit);
            }
        }
    }
    chain.pop_back();
}

// The number of tiles the expansion of `label` emits, worked out from the rules alone; throws
// "Unknown label: " + label for a label that is not one of the nine.
std::size_t expandedTileCount(const std::string& label, int32_t depth, const SupertileRules& rules);

}  // namespace quorvel
