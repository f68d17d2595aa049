#include "tiling/Patch.h"

#include <array>
#include <stdexcept>

#include "geometry/BaseTile.h"

namespace quorvel {

namespace {

// The key points of a supertile whose children were placed by `transforms` from key points
// `keys`, in its own frame: key point 2 of the children in slots 6 and 3, and key point 1 of
// those in slots 5 and 0, in the order 6, 5, 3, 0.
template <typename Transform, typename Point, typename Apply>
std::array<Point, 4> nextKeyPoints(const std::vector<Transform>& transforms,
                                   const std::array<Point, 4>& keys, Apply apply) {
    return {apply(transforms[6], keys[2]), apply(transforms[5], keys[1]),
            apply(transforms[3], keys[2]), apply(transforms[0], keys[1])};
}

// The eight child placements from four exact key points, by the steps childTransforms takes
// with floating-point ones: each slot is turned by the running angle (a multiple of 60
// degrees) and shifted so that its "to" key point lands on the previous slot's "from" key
// point; then every slot is mirrored.
std::vector<Placement> childPlacements(const std::array<LatticePoint, 4>& keys) {
    std::vector<Placement> placements(1);
    int angleDegrees = 0;
    for (const PlacementRow& row : kPlacementRows) {
        angleDegrees += row.turnDegrees;
        Placement next;
        next.turn = static_cast<uint8_t>(((angleDegrees / 30) % 12 + 12) % 12);
        const LatticePoint anchor = applyPlacement(placements.back(), keys[row.from]);
        next.shift = anchor - applyLinear(next, keys[row.to]);
        placements.push_back(next);
    }
    const Placement mirror{0, true, {}};
    for (Placement& placement : placements) {
        placement = composePlacements(mirror, placement);
    }
    return placements;
}

std::array<LatticePoint, 4> exactKeyPoints() {
    const std::array<LatticePoint, 14>& base = exactBasePolygon();
    return {base[3], base[5], base[7], base[11]};
}

}  // namespace

const char* tilingName(TilingKind kind) {
    return kind == TilingKind::Spectre ? "spectre" : "quorvel";
}

TilingKind tilingKindNamed(const std::string& name) {
    for (const TilingKind kind : {TilingKind::Quorvel, TilingKind::Spectre}) {
        if (name == tilingName(kind)) {
            return kind;
        }
    }
    throw std::runtime_error("Unsupported tiling: " + name);
}

LevelTransforms levelTransforms(const Polygon& basePolygon, int32_t depth, TilingKind kind) {
    LevelTransforms levels(static_cast<std::size_t>(depth < 0 ? 0 : depth) + 1);
    std::array<Vec2, 4> keys = keyPoints(basePolygon);
    for (std::size_t level = 1; level < levels.size(); ++level) {
        if (kind == TilingKind::Quorvel && level > 1) {
            levels[level] = levels[1];
            continue;
        }
        levels[level] = childTransforms(keys);
        keys = nextKeyPoints(levels[level], keys,
                             [](const Affine& t, const Vec2& p) { return apply(t, p); });
    }
    return levels;
}

LevelPlacements levelPlacements(int32_t depth, TilingKind kind) {
    LevelPlacements levels(static_cast<std::size_t>(depth < 0 ? 0 : depth) + 1);
    std::array<LatticePoint, 4> keys = exactKeyPoints();
    for (std::size_t level = 1; level < levels.size(); ++level) {
        if (kind == TilingKind::Quorvel && level > 1) {
            levels[level] = levels[1];
            continue;
        }
        levels[level] = childPlacements(keys);
        keys = nextKeyPoints(levels[level], keys, [](const Placement& p, const LatticePoint& q) {
            return applyPlacement(p, q);
        });
    }
    return levels;
}

ExpansionRecipe expansionRecipe(int32_t depth, TilingKind kind) {
    ExpansionRecipe recipe;
    recipe.base = basePolygon();
    recipe.transforms = levelTransforms(recipe.base, depth, kind);
    recipe.placements = levelPlacements(depth, kind);
    recipe.rules = ruleTableOf(supertileRules());
    constexpr double kGammaTurnRadians = 0.5235987755982988;
    constexpr std::size_t kGammaPivotVertex = 8;
    recipe.gammaPivot =
        compose(translation(recipe.base[kGammaPivotVertex]), rotation(kGammaTurnRadians));
    recipe.gammaPivotPlacement = Placement{1, false, exactBasePolygon()[kGammaPivotVertex]};
    return recipe;
}

Tiling expandPatch(const std::string& root, int32_t depth, TilingKind kind) {
    const int rootId = supertileId(root);
    if (rootId < 0) {
        throw std::runtime_error("Unknown label: " + root);
    }
    if (depth < 0) {
        throw std::logic_error("expandPatch needs a depth of 0 or more");
    }
    const ExpansionRecipe recipe = expansionRecipe(depth, kind);
    Tiling tiling;
    tiling.kind = kind;
    tiling.root = root;
    tiling.depth = depth;
    const std::size_t count = expandedTileCount(root, depth, supertileRules());
    tiling.labels.reserve(count);
    tiling.placements.reserve(count);
    auto leaf = [&](const Leaf& tile) {
        tiling.labels.push_back(tile.label);
        tiling.placements.push_back(tile.placement);
        for (const Vec2& p : recipe.base) {
            tiling.bounds.include(apply(tile.transform, p));
        }
    };
    expandSupertile(rootId, depth, identity(), Placement{}, recipe, leaf);
    return tiling;
}

std::array<LatticePoint, kTileVertices> exactOutline(const Placement& placement) {
    const std::array<LatticePoint, 14>& base = exactBasePolygon();
    std::array<LatticePoint, kTileVertices> outline;
    for (std::size_t j = 0; j < kTileVertices; ++j) {
        outline[j] = applyPlacement(placement, base[j]);
    }
    return outline;
}

}  // namespace quorvel
