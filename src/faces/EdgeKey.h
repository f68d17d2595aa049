// Undirected edge keys. Each coordinate is scaled by 1e6 and rounded to the nearest integer,
// halves away from zero (so there is no negative zero); the endpoints are then ordered by
// those integers alone. Grouping uses the integers; the text form is for people and tests.
// Both come from quantiseEdge, so they can never disagree.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/Vec2.h"

namespace quorvel {

struct QuantisedEdge {
    int64_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

inline bool operator==(const QuantisedEdge& p, const QuantisedEdge& q) {
    return p.x1 == q.x1 && p.y1 == q.y1 && p.x2 == q.x2 && p.y2 == q.y2;
}

int64_t quantiseCoordinate(double value);

// The same for (a, b) and (b, a).
QuantisedEdge quantiseEdge(Vec2 a, Vec2 b);

// "X1,Y1,X2,Y2" of quantiseEdge(a, b).
std::string edgeKey(Vec2 a, Vec2 b);

}  // namespace quorvel
