#include "geometry/Lattice.h"

namespace quorvel {

namespace {

// z (c0 + c1 z + c2 z^2 + c3 z^3) = -c3 + c0 z + (c1 + c3) z^2 + c2 z^3, since z^4 = z^2 - 1.
LatticePoint turnedOnce(const LatticePoint& p) {
    return {-p.c3, p.c0, p.c1 + p.c3, p.c2};
}

int modulo12(int k) {
    return ((k % 12) + 12) % 12;
}

}  // namespace

LatticePoint unitVector(int k) {
    return turned(LatticePoint{1, 0, 0, 0}, k);
}

LatticePoint turned(LatticePoint p, int k) {
    for (int step = modulo12(k); step > 0; --step) {
        p = turnedOnce(p);
    }
    return p;
}

Vec2 approximate(const LatticePoint& p) {
    const double halfRoot3 = 0.8660254037844386;
    return {p.c0 + p.c1 * halfRoot3 + p.c2 * 0.5, p.c1 * 0.5 + p.c2 * halfRoot3 + p.c3};
}

Placement composePlacements(const Placement& p, const Placement& q) {
    Placement r;
    r.shift = applyPlacement(p, q.shift);
    r.turn = static_cast<uint8_t>(modulo12(p.turn + (p.mirror ? -q.turn : q.turn)));
    r.mirror = p.mirror != q.mirror;
    return r;
}

Placement inversePlacement(const Placement& p) {
    // (z^t M^m)^-1 = M^m z^-t, and M z^-t = z^t M.
    Placement inverse;
    inverse.mirror = p.mirror;
    inverse.turn = static_cast<uint8_t>(p.mirror ? p.turn : modulo12(-p.turn));
    inverse.shift = LatticePoint{} - applyLinear(inverse, p.shift);
    return inverse;
}

const std::array<LatticePoint, 14>& exactBasePolygon() {
    static const std::array<LatticePoint, 14> polygon = [] {
        constexpr std::array<int, 14> kEdgeDegrees = {0,   300, 30,  90,  0,   60,  150,
                                                      210, 120, 180, 180, 240, 330, 270};
        std::array<LatticePoint, 14> points;
        LatticePoint at;
        for (std::size_t j = 0; j < points.size(); ++j) {
            points[j] = at;
            at = at + unitVector(kEdgeDegrees[j] / 30);
        }
        return points;
    }();
    return polygon;
}

}  // namespace quorvel
