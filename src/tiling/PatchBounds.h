// The extent of a patch: the extremes of every point of every tile, the frame in which the
// picture and the viewer page place the patch.
#pragma once

#include <limits>

#include "geometry/Vec2.h"

namespace quorvel {

// Starts from +inf for the minima and -inf for the maxima (so an empty patch keeps them); a
// coordinate replaces an extreme only when strictly beyond it.
struct PatchBounds {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();

    void include(const Vec2& p) {
        if (p.x < minX) {
            minX = p.x;
        }
        if (p.y < minY) {
            minY = p.y;
        }
        if (p.x > maxX) {
            maxX = p.x;
        }
        if (p.y > maxY) {
            maxY = p.y;
        }
    }
};

}  // namespace quorvel
