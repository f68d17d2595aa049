// Exact points and placements of the tiling. Every vertex of every tile is an integer
// combination of the twelve unit vectors at multiples of 30 degrees. Those vectors span a
// lattice of rank 4 with the basis 1, z, z^2, z^3, where z is the unit vector at 30 degrees
// and z^4 = z^2 - 1, so a point is exactly four integers and two points are equal exactly when
// their integers are. Placements are a turn by a multiple of 30 degrees, an optional mirror and
// a lattice shift; composing them is integer arithmetic, so the genuine patch's adjacency can
// be keyed exactly at every depth. The floating-point picture keeps its own arithmetic.
#pragma once

#include <array>
#include <cstdint>

#include "geometry/Vec2.h"

namespace quorvel {

// c0 + c1 z + c2 z^2 + c3 z^3. 16 bytes.
struct LatticePoint {
    int32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
};

inline bool operator==(const LatticePoint& p, const LatticePoint& q) {
    return p.c0 == q.c0 && p.c1 == q.c1 && p.c2 == q.c2 && p.c3 == q.c3;
}
inline bool operator!=(const LatticePoint& p, const LatticePoint& q) {
    return !(p == q);
}
inline bool operator<(const LatticePoint& p, const LatticePoint& q) {
    if (p.c0 != q.c0)
        return p.c0 < q.c0;
    if (p.c1 != q.c1)
        return p.c1 < q.c1;
    if (p.c2 != q.c2)
        return p.c2 < q.c2;
    return p.c3 < q.c3;
}

inline LatticePoint operator+(const LatticePoint& p, const LatticePoint& q) {
    return {p.c0 + q.c0, p.c1 + q.c1, p.c2 + q.c2, p.c3 + q.c3};
}
inline LatticePoint operator-(const LatticePoint& p, const LatticePoint& q) {
    return {p.c0 - q.c0, p.c1 - q.c1, p.c2 - q.c2, p.c3 - q.c3};
}

// The unit vector at 30 * k degrees, k taken modulo 12.
LatticePoint unitVector(int k);

// p turned counter-clockwise by 30 * k degrees (multiplied by z^k), k taken modulo 12.
LatticePoint turned(LatticePoint p, int k);

// p mirrored in the y axis: x -> -x.
inline LatticePoint mirrored(const LatticePoint& p) {
    return {-p.c0 - p.c2, -p.c1, p.c2, p.c1 + p.c3};
}

// The point in the plane, to within rounding: for tests, checks and pictures that need no
// particular bits.
Vec2 approximate(const LatticePoint& p);

// p -> shift + z^turn (mirror ? mirrored(p) : p): the mirror first, then the turn, then the
// shift. turn is 0..11. 20 bytes.
struct Placement {
    uint8_t turn = 0;
    bool mirror = false;
    LatticePoint shift;
};

inline bool operator==(const Placement& p, const Placement& q) {
    return p.turn == q.turn && p.mirror == q.mirror && p.shift == q.shift;
}

// The 24 linear parts: turn + 12 * mirror.
inline int orientationOf(const Placement& p) {
    return p.turn + (p.mirror ? 12 : 0);
}

inline LatticePoint applyLinear(const Placement& p, const LatticePoint& q) {
    return turned(p.mirror ? mirrored(q) : q, p.turn);
}

inline LatticePoint applyPlacement(const Placement& p, const LatticePoint& q) {
    return p.shift + applyLinear(p, q);
}

// q first, then p. A mirror reverses the sense of later turns: M z^k = z^-k M.
Placement composePlacements(const Placement& p, const Placement& q);

// The placement that undoes p: composePlacements(inversePlacement(p), p) is the identity.
Placement inversePlacement(const Placement& p);

// The base tile's 14 vertices exactly, walked from vertex 0 at the origin along the edge
// directions 0, 300, 30, 90, 0, 60, 150, 210, 120, 180, 180, 240, 330 and 270 degrees.
const std::array<LatticePoint, 14>& exactBasePolygon();

}  // namespace quorvel
