#include "faces/EdgeKey.h"

#include <cmath>

namespace quorvel {

int64_t quantiseCoordinate(double value) { return std::llround(value * 1000000.0); }

QuantisedEdge quantiseEdge(Vec2 a, Vec2 b) {
    const int64_t ax = quantiseCoordinate(a.x);
    const int64_t ay = quantiseCoordinate(a.y);
    const int64_t bx = quantiseCoordinate(b.x);
    const int64_t by = quantiseCoordinate(b.y);
    if (ax < bx || (ax == bx && ay <= by)) {
        return {ax, ay, bx, by};
    }
    return {bx, by, ax, ay};
}

std::string edgeKey(Vec2 a, Vec2 b) {
    const QuantisedEdge q = quantiseEdge(a, b);
    std::string key = std::to_string(q.x1);
    key += ',';
    key += std::to_string(q.y1);
    key += ',';
    key += std::to_string(q.x2);
    key += ',';
    key += std::to_string(q.y2);
    return key;
}

}  // namespace quorvel
