#include "run/RunPipeline.h"

#include "faces/FaceGraph.h"
#include "render/SvgWriter.h"
#include "run/Report.h"
#include "tiling/Patch.h"

namespace quorvel {

Rule ruleOf(const Options& options) {
    return Rule{options.birth, options.surviveMin, options.surviveMax, options.faceWeight};
}

World buildWorld(const Options& options, TilingKind kind) {
    World world;
    world.tiling = expandPatch(options.root, options.depth, kind);
    world.faces = buildFaceGraph(world.tiling);
    return world;
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
