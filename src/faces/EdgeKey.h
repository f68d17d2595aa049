// Undirected edge keys. Each coordinate is scaled by 1e6 and rounded to the nearest integer,
// halves away from zero (so there is no negative zero); the endpoints are then ordered by
// those integers alone. Grouping uses the integers; the text form is for people and tests.
// Both come from quantiseEdge, so they can never disagree.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "geometry/Vec2.h"

namespace quorvel {

struct QuantisedPoint {
    int64_t x = 0, y = 0;
};

struct QuantisedEdge {
    int64_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

inline bool operator==(const QuantisedEdge& p, const QuantisedEdge& q) {
    return p.x1 == q.x1 && p.y1 == q.y1 && p.x2 == q.x2 && p.y2 == q.y2;
}

// Nearest integer to value * 1e6, halves away from zero; the same as std::llround of the
// product, without the library call on the hot path. Below 2^52 the truncation is exact and so
// is product - truncated, so the half test is exact; larger products are already integers.
inline int64_t quantiseCoordinate(double value) {
    const double scaled = value * 1000000.0;
    if (!(std::fabs(scaled) < 4503599627370496.0)) {
        return std::llround(scaled);
    }
    const int64_t truncated = static_cast<int64_t>(scaled);
    const double fraction = scaled - static_cast<double>(truncated);
    // Branch-free: the fraction's side of one half is close to random across a tiling.
    return truncated + static_cast<int64_t>(fraction >= 0.5) -
           static_cast<int64_t>(fraction <= -0.5);
}

inline QuantisedPoint quantisePoint(Vec2 p) {
    return {quantiseCoordinate(p.x), quantiseCoordinate(p.y)};
}

// a first when a.x < b.x, or a.x == b.x and a.y <= b.y.
inline QuantisedEdge orderEndpoints(QuantisedPoint a, QuantisedPoint b) {
    if (a.x < b.x || (a.x == b.x && a.y <= b.y)) {
        return {a.x, a.y, b.x, b.y};
    }
    return {b.x, b.y, a.x, a.y};
}

// The same for (a, b) and (b, a).
inline QuantisedEdge quantiseEdge(Vec2 a, Vec2 b) {
    return orderEndpoints(quantisePoint(a), quantisePoint(b));
}

// "X1,Y1,X2,Y2" of quantiseEdge(a, b).
std::string edgeKey(Vec2 a, Vec2 b);

}  // namespace quorvel
