#include "Reference.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "automaton/Seeding.h"
#include "faces/EdgeKey.h"
#include "tiling/Patch.h"

namespace quorvel::reference {

Tiling fatTiling(const World& world) {
    Tiling tiling(world.tiling.size());
    forEachTilePolygon(world.tiling, [&](std::size_t index, const TileOutline& outline) {
        Tile& tile = tiling[index];
        tile.label = tileLabelName(world.tiling.labels[index]);
        tile.polygon.assign(outline.begin(), outline.end());
        const int32_t* slots = world.faces.slotsOf(index);
        tile.neighbours.assign(slots, slots + FaceGraph::kSlotsPerTile);
    });
    return tiling;
}

void seedPopulationPlain(Tiling& tiling, uint64_t seed, double density) {
    for (std::size_t j = 0; j < tiling.size(); ++j) {
        tiling[j].alive = density > tileUniform(j, seed);
        tiling[j].age = tiling[j].alive ? 1 : 0;
    }
}

void stepAutomatonPlain(Tiling& tiling, int32_t birth, int32_t surviveMin, int32_t surviveMax,
                        int32_t faceWeight) {
    for (Tile& tile : tiling) {
        std::unordered_map<int32_t, int32_t> facesOfLiveNeighbour;
        for (const int32_t neighbour : tile.neighbours) {
            if (neighbour >= 0 && tiling[static_cast<std::size_t>(neighbour)].alive) {
                ++facesOfLiveNeighbour[neighbour];
            }
        }
        int32_t sum = 0;
        for (const auto& entry : facesOfLiveNeighbour) {
            sum += std::min(faceWeight, entry.second);
        }
        tile.next = tile.alive ? (surviveMin <= sum && sum <= surviveMax) : sum == birth;
    }
    for (Tile& tile : tiling) {
        tile.alive = tile.next;
        tile.age = tile.alive ? tile.age + 1 : 0;
    }
}

void buildFaceGraphPlain(Tiling& tiling) {
    struct EdgeRef {
        int32_t tile;
        int32_t edge;
    };
    std::unordered_map<std::string, std::vector<EdgeRef>> groups;
    for (std::size_t i = 0; i < tiling.size(); ++i) {
        Tile& tile = tiling[i];
        const std::size_t n = tile.polygon.size();
        tile.neighbours.assign(n, -1);
        for (std::size_t j = 0; j < n; ++j) {
            groups[edgeKey(tile.polygon[j], tile.polygon[(j + 1) % n])].push_back(
                {static_cast<int32_t>(i), static_cast<int32_t>(j)});
        }
    }
    for (const auto& entry : groups) {
        const std::vector<EdgeRef>& refs = entry.second;
        for (std::size_t a = 0; a < refs.size(); ++a) {
            for (std::size_t k = a + 1; k < refs.size(); ++k) {
                tiling[refs[a].tile].neighbours[refs[a].edge] = refs[k].tile;
                tiling[refs[k].tile].neighbours[refs[k].edge] = refs[a].tile;
            }
        }
    }
}

void writeSvgPlain(const Tiling& tiling, const std::string& path) {
    constexpr double kMargin = 24.0;
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    for (const Tile& tile : tiling) {
        for (const Vec2& p : tile.polygon) {
            if (p.x < minX)
                minX = p.x;
            if (p.y < minY)
                minY = p.y;
            if (p.x > maxX)
                maxX = p.x;
            if (p.y > maxY)
                maxY = p.y;
        }
    }
    const double width = (maxX - minX) + 2 * kMargin;
    const double height = (maxY - minY) + 2 * kMargin;
    const std::runtime_error failure("Unable to write SVG: " + path);

    std::ofstream file(path, std::ios::out | std::ios::trunc);
    if (!file) {
        throw failure;
    }
    file << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << width << " " << height
         << "\" width=\"" << width << "\" height=\"" << height << "\">\n";
    file << "<rect width=\"100%\" height=\"100%\" fill=\"#090a0f\"/>\n";
    file.setf(std::ios::fixed, std::ios::floatfield);
    file.precision(4);
    for (const Tile& tile : tiling) {
        file << "<polygon points=\"";
        for (const Vec2& p : tile.polygon) {
            file << (p.x - minX) + kMargin << "," << (p.y - minY) + kMargin << " ";
        }
        file << "\" fill=\"" << (tile.alive ? "#96ff5f" : "#171b26") << "\" stroke=\""
             << (tile.alive ? "#d9ffb8" : "#394252") << "\" stroke-width=\"0.03\"/>\n";
    }
    file << "</svg>\n";
    file.close();
    if (!file) {
        throw failure;
    }
}

namespace {

void commitPlain(const std::vector<uint8_t>& next, Population& population) {
    for (std::size_t tile = 0; tile < next.size(); ++tile) {
        const bool wasAlive = population.alive[tile] != 0;
        population.alive[tile] = next[tile];
        population.age[tile] = next[tile] == 0 ? 0 : wasAlive ? population.age[tile] + 1 : 1;
    }
}

}  // namespace

bool nextAlivePlain(const Rule& rule, bool alive, int32_t sum) {
    if (rule.sets) {
        const uint32_t set = alive ? rule.sets->survive : rule.sets->birth;
        return sum >= 0 && sum < 32 && (set >> sum & 1) != 0;
    }
    return alive ? rule.surviveMin <= sum && sum <= rule.surviveMax : sum == rule.birth;
}

std::vector<std::vector<int32_t>> vertexNeighboursPlain(const quorvel::Tiling& tiling) {
    std::vector<std::array<LatticePoint, kTileVertices>> vertices;
    for (const Placement& placement : tiling.placements) {
        vertices.push_back(exactOutline(placement));
    }
    std::vector<std::vector<int32_t>> neighbours(tiling.size());
    for (std::size_t a = 0; a < tiling.size(); ++a) {
        for (std::size_t b = 0; b < tiling.size(); ++b) {
            bool shared = false;
            for (const LatticePoint& p : vertices[a]) {
                for (const LatticePoint& q : vertices[b]) {
                    shared = shared || p == q;
                }
            }
            if (a != b && shared) {
                neighbours[a].push_back(static_cast<int32_t>(b));
            }
        }
    }
    return neighbours;
}

void stepVertexPlain(const std::vector<std::vector<int32_t>>& neighbours, const Rule& rule,
                     Population& population) {
    std::vector<uint8_t> next(neighbours.size());
    for (std::size_t tile = 0; tile < neighbours.size(); ++tile) {
        int32_t sum = 0;
        for (const int32_t other : neighbours[tile]) {
            sum += population.alive[static_cast<std::size_t>(other)];
        }
        next[tile] = nextAlivePlain(rule, population.alive[tile] != 0, sum) ? 1 : 0;
    }
    commitPlain(next, population);
}

void stepAutomatonPlain(const FaceGraph& faces, const Rule& rule, Population& population) {
    const std::size_t tileCount = faces.tileCount();
    std::vector<uint8_t> next(tileCount);
    for (std::size_t tile = 0; tile < tileCount; ++tile) {
        const int32_t* slots = faces.slotsOf(tile);
        int32_t sum = 0;
        for (std::size_t j = 0; j < FaceGraph::kSlotsPerTile; ++j) {
            const int32_t other = slots[j];
            if (other < 0 || population.alive[static_cast<std::size_t>(other)] == 0) {
                continue;
            }
            bool seenBefore = false;
            int32_t shared = 0;
            for (std::size_t i = 0; i < FaceGraph::kSlotsPerTile; ++i) {
                seenBefore = seenBefore || (i < j && slots[i] == other);
                shared += slots[i] == other ? 1 : 0;
            }
            if (!seenBefore) {
                sum += std::min(rule.faceWeight, shared);
            }
        }
        next[tile] = nextAlivePlain(rule, population.alive[tile] != 0, sum) ? 1 : 0;
    }
    commitPlain(next, population);
}

}  // namespace quorvel::reference
