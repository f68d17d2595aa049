// Which tiles count as a tile's neighbours: those across its faces (shared whole edges, each
// neighbour's faces capped at the face weight) or those sharing at least one vertex with it
// (weight 1 each; the face weight does not apply).
#pragma once

#include <stdexcept>
#include <string>

namespace quorvel {

enum class NeighbourhoodKind { Face, Vertex };

inline const char* neighbourhoodName(NeighbourhoodKind kind) {
    return kind == NeighbourhoodKind::Vertex ? "vertex" : "face";
}

// Throws "Unknown neighbourhood: NAME (face | vertex)".
inline NeighbourhoodKind neighbourhoodNamed(const std::string& name) {
    if (name == "face") {
        return NeighbourhoodKind::Face;
    }
    if (name == "vertex") {
        return NeighbourhoodKind::Vertex;
    }
    throw std::runtime_error("Unknown neighbourhood: " + name + " (face | vertex)");
}

}  // namespace quorvel
