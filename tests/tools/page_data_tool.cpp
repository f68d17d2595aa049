// For the page's Node tests: runs quorvel's options and prints the viewer page's run data with
// a checkpoint at every step, so that the page's stepping can be checked tile by tile.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "run/RunPipeline.h"
#include "run/RunRecord.h"
#include "view/PageWriter.h"

int main(int argc, char** argv) {
    using namespace quorvel;
    const std::vector<std::string> args(argv, argv + argc);
    return runReportingErrors(std::cout, std::cerr, [&] {
        const Options options = parseOptions(args).options;
        const World world = buildWorld(options);
        const Rule rule = ruleOf(options);
        const auto graph =
            std::make_shared<const StepGraph>(buildStepGraph(world.faces, rule.faceWeight));
        Automaton automaton(graph, rule,
                            seedPopulation(world.tiling.size(), options.seed, options.density));
        RunRecord record(automaton, CheckpointPolicy{1, std::size_t{1} << 40});
        for (int32_t step = 1; step <= options.steps; ++step) {
            automaton.step();
            record.addStep(automaton);
        }
        writeRunData(std::cout, world.tiling, *graph, record);
        std::cout << "\n";
        return 0;
    });
}
