#include "tiling/Expansion.h"

#include <stdexcept>

namespace quorvel {

namespace {

// The second tile of a "Gamma" leaf is turned by +30 degrees about its own origin, which is
// then moved onto base vertex 8.
constexpr double kGammaTurnRadians = 0.5235987755982988;
constexpr std::size_t kGammaPivotVertex = 8;

bool isGamma(const std::string& label) {
    return label == "Gamma";
}

const ChildLabels& childrenOrThrow(const SupertileRules& rules, const std::string& label) {
    const ChildLabels* children = findChildren(rules, label);
    if (children == nullptr) {
        throw std::runtime_error("Unknown label: " + label);
    }
    return *children;
}

}  // namespace

void emitTile(const std::string& label, const Polygon& basePolygon, const Affine& transform,
              Tiling& tiling) {
    Tile tile;
    tile.label = label;
    tile.polygon.resize(basePolygon.size());
    for (std::size_t i = 0; i < basePolygon.size(); ++i) {
        tile.polygon[i] = apply(transform, basePolygon[i]);
    }
    tiling.push_back(std::move(tile));
}

void expandSupertile(const std::string& label, int32_t depth, const Affine& transform,
                     const Polygon& basePolygon, const LevelTransforms& childTransforms,
                     const SupertileRules& rules, Tiling& tiling) {
    if (depth != 0) {
        const ChildLabels& children = childrenOrThrow(rules, label);
        const std::vector<Affine>& levelTransforms =
            childTransforms.at(static_cast<std::size_t>(depth));
        for (std::size_t slot = 0; slot < children.size(); ++slot) {
            if (children[slot] == kEmptySlot) {
                continue;  // the slot keeps its transform index: slot k always uses transform k
            }
            expandSupertile(children[slot], depth - 1, compose(transform, levelTransforms[slot]),
                            basePolygon, childTransforms, rules, tiling);
        }
        return;
    }
    if (isGamma(label)) {
        const Affine pivot =
            compose(translation(basePolygon.at(kGammaPivotVertex)), rotation(kGammaTurnRadians));
        emitTile("Gamma1", basePolygon, transform, tiling);
        emitTile("Gamma2", basePolygon, compose(transform, pivot), tiling);
        return;
    }
    emitTile(label, basePolygon, transform, tiling);
}

std::size_t expandedTileCount(const std::string& label, int32_t depth,
                              const SupertileRules& rules) {
    if (depth == 0) {
        return isGamma(label) ? 2 : 1;
    }
    std::size_t count = 0;
    for (const std::string& child : childrenOrThrow(rules, label)) {
        if (child != kEmptySlot) {
            count += expandedTileCount(child, depth - 1, rules);
        }
    }
    return count;
}

}  // namespace quorvel
