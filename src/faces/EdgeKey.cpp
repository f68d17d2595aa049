#include "faces/EdgeKey.h"

namespace quorvel {

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
