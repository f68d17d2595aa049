// Points of the plane. Coordinates are 64-bit IEEE values and every tile outline is an ordered
// sequence of them; edge j of an n-point polygon runs from point j to point (j + 1) mod n.
#pragma once

#include <vector>

namespace quorvel {

struct Vec2 {
    double x = 0.0;
    double y = 0.0;
};

inline bool operator==(const Vec2& p, const Vec2& q) {
    return p.x == q.x && p.y == q.y;
}
inline bool operator!=(const Vec2& p, const Vec2& q) {
    return !(p == q);
}

using Polygon = std::vector<Vec2>;

}  // namespace quorvel
