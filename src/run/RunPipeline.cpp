#include "run/RunPipeline.h"

#include "automaton/VertexStepGraph.h"
#include "faces/FaceGraph.h"
#include "render/SvgWriter.h"
#include "run/Report.h"
#include "tiling/Patch.h"

namespace quorvel {

Rule ruleOf(const Options& options) {
    if (options.ruleSets) {
        return Rule(*options.ruleSets, options.faceWeight);
    }
    return Rule{options.birth, options.surviveMin, options.surviveMax, options.faceWeight};
}

World buildWorld(const Options& options, TilingKind kind) {
    World world;
    world.tiling = expandPatch(options.root, options.depth, kind);
    world.faces = buildFaceGraph(world.tiling);
    return world;
}

StepGraph buildStepGraphOf(const World& world, NeighbourhoodKind neighbourhood,
                           int32_t faceWeight) {
    return neighbourhood == NeighbourhoodKind::Vertex
               ? buildVertexStepGraph(world.tiling, faceWeight)
               : buildStepGraph(world.faces, faceWeight);
}

void reportRun(Run& run, const Options& options, std::ostream& out) {
    const Tiling& tiling = run.world().tiling;
    writeBanner(out);
    writeSummary(out, options, tiling.size(), tiling.kind);
    for (int64_t step = 1; step <= options.steps; ++step) {
        run.step();
        writeStepLine(out, step, run.automaton().liveCount(), run.automaton().maxAge());
        checkWritten(out);
    }
    if (!options.svgPath.empty()) {
        writeSvg(tiling, run.automaton().aliveFlags(), options.svgPath, &out);
        out << "svg=" << options.svgPath << "\n";
    }
}

}  // namespace quorvel
