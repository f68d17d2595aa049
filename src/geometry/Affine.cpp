#include "geometry/Affine.h"

#include <cmath>

namespace quorvel {

Affine identity() {
    return {1.0, 0.0, 0.0, 0.0, 1.0, 0.0};
}

Affine translation(Vec2 t) {
    return {1.0, 0.0, t.x, 0.0, 1.0, t.y};
}

Affine rotation(double theta) {
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    return {c, -s, 0.0, s, c, 0.0};
}

Affine compose(const Affine& p, const Affine& q) {
    Affine r;
    r.a = p.a * q.a + p.b * q.d;
    r.b = p.a * q.b + p.b * q.e;
    r.c = (p.a * q.c + p.b * q.f) + p.c;
    r.d = p.d * q.a + p.e * q.d;
    r.e = p.d * q.b + p.e * q.e;
    r.f = (p.d * q.c + p.e * q.f) + p.f;
    return r;
}

Vec2 apply(const Affine& t, Vec2 p) {
    return {(t.a * p.x + t.b * p.y) + t.c, (t.d * p.x + t.e * p.y) + t.f};
}

double degreesToRadians(int degrees) {
    return (static_cast<double>(degrees) * kPi) / 180.0;
}

}  // namespace quorvel
