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

double degreesToRadians(int degrees) {
    return (static_cast<double>(degrees) * kPi) / 180.0;
}

}  // namespace quorvel
