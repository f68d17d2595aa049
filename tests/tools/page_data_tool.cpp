// For the page's Node tests: runs quorvel-view's options and prints the viewer page's run data
// with a checkpoint at every step, so that the page's stepping can be checked tile by tile.
// With --outline-hash first it prints instead the tile count and a hash of every tile's exact
// outline (FNV-1a over the four lattice coordinates of each of the 14 points, as 32-bit
// words), against which the page's own outlines from the run data are checked.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "run/RunPipeline.h"
#include "run/RunRecord.h"
#include "tiling/Patch.h"
#include "view/PageWriter.h"
#include "view/ViewDriver.h"

namespace {

uint32_t outlineHash(const quorvel::Tiling& tiling) {
    uint32_t hash = 2166136261u;
    for (const quorvel::Placement& placement : tiling.placements) {
        for (const quorvel::LatticePoint& p : quorvel::exactOutline(placement)) {
            for (const int32_t c : {p.c0, p.c1, p.c2, p.c3}) {
                hash = (hash ^ static_cast<uint32_t>(c)) * 16777619u;
            }
        }
    }
    return hash;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quorvel;
    std::vector<std::string> args(argv, argv + argc);
    const bool hashOnly = args.size() > 1 && args[1] == "--outline-hash";
    if (hashOnly) {
        args.erase(args.begin() + 1);
    }
    return runReportingErrors(std::cout, std::cerr, [&] {
        const ViewSettings settings = parseViewOptions(args);
        const Options& options = settings.run;
        const World world = buildWorld(options, tilingKindNamed(settings.tiling));
        if (hashOnly) {
            std::cout << world.tiling.size() << " " << outlineHash(world.tiling) << "\n";
            return 0;
        }
        const Rule rule = ruleOf(options);
        const auto graph = std::make_shared<const StepGraph>(
            buildStepGraphOf(world, options.neighbourhood, rule.faceWeight));
        Automaton automaton(graph, rule,
                            seedPopulation(world.tiling.size(), options.seed, options.density));
        RunRecord record(automaton, CheckpointPolicy{1, std::size_t{1} << 40});
        for (int32_t step = 1; step <= options.steps; ++step) {
            automaton.step();
            record.addStep(automaton);
        }
        writeRunData(std::cout, world.tiling, pageStepGraphOf(world, options.neighbourhood, *graph),
                     record, PageSeeding{options.seed, options.density});
        std::cout << "\n";
        return 0;
    });
}
