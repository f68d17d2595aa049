#include "Reference.h"

#include <unordered_map>
#include <vector>

#include "faces/EdgeKey.h"

namespace quorvel::reference {

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

}  // namespace quorvel::reference
