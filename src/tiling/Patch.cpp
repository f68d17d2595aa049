#include "tiling/Patch.h"

#include <array>
#include <stdexcept>

#include "geometry/BaseTile.h"

namespace quorvel {

namespace {

// The key points of a supertile whose children were placed by `transforms` from key points
// `keys`, in its own frame: key point 2 of the children in slots 6 and 3, and key point 1 of
// those in slots 5 and 0, in the order 6, 5, 3, 0.
std::array<Vec2, 4> nextKeyPoints(const std::vector<Affine>& transforms,
                                  const std::array<Vec2, 4>& keys) {
    return {apply(transforms[6], keys[2]), apply(transforms[5], keys[1]),
            apply(transforms[3], keys[2]), apply(transforms[0], keys[1])};
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
        keys = nextKeyPoints(levels[level], keys);
    }
    return levels;
}

Tiling expandPatch(const std::string& root, int32_t depth, TilingKind kind) {
    const Polygon base = basePolygon();
    const LevelTransforms transforms = levelTransforms(base, depth, kind);
    const SupertileRules rules = supertileRules();
    Tiling tiling;
    tiling.reserve(expandedTileCount(root, depth, rules));
    expandSupertile(root, depth, identity(), base, transforms, rules, tiling);
    return tiling;
}

}  // namespace quorvel
