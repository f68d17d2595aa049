#include "run/Run.h"

#include "automaton/Seeding.h"
#include "run/RunPipeline.h"

namespace quorvel {

Run::Run(const Options& options, const RunSetup& setup)
    : world_(buildWorld(options, setup.kind)),
      graph_(std::make_shared<const StepGraph>(
          buildStepGraphOf(world_, options.neighbourhood, options.faceWeight))) {
    checkRuleFits(ruleOf(options), *graph_);
    automaton_.emplace(graph_, ruleOf(options),
                       seedPopulation(world_.tiling.size(), options.seed, options.density),
                       setup.threads);
    if (setup.record) {
        record_.emplace(*automaton_);
    }
}

void Run::step() {
    automaton_->step();
    if (record_) {
        record_->addStep(*automaton_);
    }
}

}  // namespace quorvel
