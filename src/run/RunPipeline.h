// What the programs on the run options share: building the world and the report of a run
// (banner, summary, one line per step, the picture).
#pragma once

#include <functional>
#include <ostream>

#include "automaton/NeighbourhoodKind.h"
#include "automaton/Rule.h"
#include "automaton/StepGraph.h"
#include "run/Options.h"
#include "run/ProgramErrors.h"
#include "run/Run.h"
#include "run/World.h"

namespace quorvel {

// The update rule the options set.
Rule ruleOf(const Options& options);

// The step graph of the world in that neighbourhood, labelled with the face weight.
StepGraph buildStepGraphOf(const World& world, NeighbourhoodKind neighbourhood, int32_t faceWeight);

// Banner, summary, every step with its line, and the SVG with its "svg=" line when a path is
// set. Only the Spectre patch names itself in the summary.
void reportRun(Run& run, const Options& options, std::ostream& out);

}  // namespace quorvel
