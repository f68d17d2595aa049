// What the programs on the run options share: building the world, the report of a run
// (banner, summary, one line per step, the picture), and turning an error into the one
// "error: " line and exit status 1.
#pragma once

#include <functional>
#include <ostream>

#include "automaton/Rule.h"
#include "run/Options.h"
#include "run/Run.h"
#include "run/World.h"

namespace quorvel {

// The update rule the options set.
Rule ruleOf(const Options& options);

// Banner, summary, every step with its line, and the SVG with its "svg=" line when a path is
// set. Only the Spectre patch names itself in the summary.
void reportRun(Run& run, const Options& options, std::ostream& out);

// Calls `run` and returns its status; an error thrown by it, or standard output failing,
// becomes the error line and status 1. Lines already written stay.
int runReportingErrors(std::ostream& out, std::ostream& err, const std::function<int()>& run);

}  // namespace quorvel
