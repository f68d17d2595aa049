// Checks the genuine patch at a depth too large for the test suite (depth 8: 17 million
// tiles) by the suite's own plain reading of its exact edges, in passes that bound memory:
//   patch_shape_tool ROOT DEPTH [PASSES]
// prints the counts and exits 0 when the patch is a topological disk meeting edge to edge.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/PatchShape.h"
#include "tiling/Patch.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: patch_shape_tool ROOT DEPTH [PASSES]\n");
        return 2;
    }
    const std::string root = argv[1];
    const int depth = std::atoi(argv[2]);
    const std::size_t passes = argc > 3 ? static_cast<std::size_t>(std::atoi(argv[3])) : 16;
    const quorvel::Tiling tiling = quorvel::expandPatch(root, depth, quorvel::TilingKind::Spectre);
    const quorvel::testsupport::PatchShape shape = quorvel::testsupport::shapeOf(tiling, passes);
    std::printf(
        "root=%s depth=%d tiles=%zu vertices=%zu edges=%zu V-E+F=%lld border_edges=%zu "
        "border_one_loop=%s crowded=%zu self_paired=%zu same_way=%zu\n",
        root.c_str(), depth, tiling.size(), shape.vertices, shape.edges,
        shape.eulerCharacteristic(tiling.size()), shape.borderEdges,
        shape.borderIsOneLoop ? "yes" : "no", shape.crowded, shape.selfPaired, shape.sameWay);
    const bool disk = shape.eulerCharacteristic(tiling.size()) == 1 && shape.borderIsOneLoop &&
                      shape.crowded == 0 && shape.selfPaired == 0 && shape.sameWay == 0;
    return disk ? 0 : 1;
}
