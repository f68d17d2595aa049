// Affine maps of the plane with bit-exact arithmetic: every product and sum is rounded on its
// own (the build forbids fused multiply-add) and sums are grouped as written, so that a tiling
// comes out the same to the last bit on every conforming platform.
#pragma once

#include "geometry/Vec2.h"

namespace quorvel {

// Rows of a 2x3 matrix: (x, y) -> ((a*x + b*y) + c, (d*x + e*y) + f).
struct Affine {
    double a = 1.0, b = 0.0, c = 0.0;
    double d = 0.0, e = 1.0, f = 0.0;
};

inline bool operator==(const Affine& p, const Affine& q) {
    return p.a == q.a && p.b == q.b && p.c == q.c && p.d == q.d && p.e == q.e && p.f == q.f;
}

// pi as the 64-bit literal that angle conversions use everywhere.
inline constexpr double kPi = 3.141592653589793;

Affine identity();
Affine translation(Vec2 t);
// Counter-clockwise turn by theta radians about the origin.
Affine rotation(double theta);
// The map that sends a point through q first and then through p.
inline Affine compose(const Affine& p, const Affine& q) {
    Affine r;
    r.a = p.a * q.a + p.b * q.d;
    r.b = p.a * q.b + p.b * q.e;
    r.c = (p.a * q.c + p.b * q.f) + p.c;
    r.d = p.d * q.a + p.e * q.d;
    r.e = p.d * q.b + p.e * q.e;
    r.f = (p.d * q.c + p.e * q.f) + p.f;
    return r;
}

inline Vec2 apply(const Affine& t, Vec2 p) {
    return {(t.a * p.x + t.b * p.y) + t.c, (t.d * p.x + t.e * p.y) + t.f};
}

// Whole degrees to radians as (degrees * pi) / 180, the multiplication first.
double degreesToRadians(int degrees);

}  // namespace quorvel
