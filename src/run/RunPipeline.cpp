#include "run/RunPipeline.h"

#include "automaton/Seeding.h"
#include "faces/FaceGraph.h"
#include "render/SvgWriter.h"
#include "run/Report.h"

namespace quorvel {

Rule ruleOf(const Options& options) {
    return Rule{options.birth, options.surviveMin, options.surviveMax, options.faceWeight};
}

Tiling buildWorld(const Options& options, TilingKind kind) {
    Tiling tiling = expandPatch(options.root, options.depth, kind);
    buildFaceGraph(tiling);
    seedPopulation(tiling, options.seed, options.density);
    return tiling;
}

Tiling reportRun(const Options& options, std::ostream& out, const RunObserver& observer,
                 TilingKind kind) {
    Tiling tiling = buildWorld(options, kind);
    writeBanner(out);
    writeSummary(out, options, tiling.size(), kind);
    if (observer.seeded) {
        observer.seeded(tiling);
    }
    Automaton automaton(tiling, ruleOf(options));
    for (int64_t step = 1; step <= options.steps; ++step) {
        automaton.step();
        writeStepLine(out, step, automaton.liveCount(), automaton.maxAge());
        checkWritten(out);
        if (observer.stepped) {
            observer.stepped(automaton);
        }
    }
    if (!options.svgPath.empty()) {
        writeSvg(tiling, options.svgPath, &out);
        out << "svg=" << options.svgPath << "\n";
    }
    return tiling;
}

}  // namespace quorvel
