#include "tiling/PatchBounds.h"

#include <limits>

namespace quorvel {

PatchBounds patchBounds(const Tiling& tiling) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    PatchBounds bounds = {kInfinity, kInfinity, -kInfinity, -kInfinity};
    for (const Tile& tile : tiling) {
        for (const Vec2& p : tile.polygon) {
            if (p.x < bounds.minX) {
                bounds.minX = p.x;
            }
            if (p.y < bounds.minY) {
                bounds.minY = p.y;
            }
            if (p.x > bounds.maxX) {
                bounds.maxX = p.x;
            }
            if (p.y > bounds.maxY) {
                bounds.maxY = p.y;
            }
        }
    }
    return bounds;
}

}  // namespace quorvel
