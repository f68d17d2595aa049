// For the page's Node tests: runs quorvel's options and prints the viewer page's run data with
// a checkpoint at every step, so that the page's stepping can be checked tile by tile.
#include <iostream>
#include <string>
#include <vector>

#include "automaton/Automaton.h"
#include "run/RunPipeline.h"
#include "run/RunRecord.h"
#include "view/PageWriter.h"

int main(int argc, char** argv) {
    using namespace quorvel;
    const std::vector<std::string> args(argv, argv + argc);
    return runReportingErrors(std::cout, std::cerr, [&] {
        const Options options = parseOptions(args).options;
        Tiling tiling = buildWorld(options);
        const Rule rule = ruleOf(options);
        RunRecord record(tiling, rule, CheckpointPolicy{1, std::size_t{1} << 40});
        Automaton automaton(tiling, rule);
        for (int32_t step = 1; step <= options.steps; ++step) {
            automaton.step();
            record.addStep(tiling, automaton);
        }
        writeRunData(std::cout, tiling, record);
        std::cout << "\n";
        return 0;
    });
}
