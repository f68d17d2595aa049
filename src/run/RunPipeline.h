// The run pipeline the programs on the run options share: building the world, the report of a
// run with hooks for a program that watches it too, and turning an error into the one
// "error: " line and exit status 1.
#pragma once

#include <functional>
#include <ostream>

#include "automaton/TilingAutomaton.h"
#include "run/Options.h"
#include "tiling/Patch.h"
#include "tiling/Tiling.h"

namespace quorvel {

// The update rule the options set.
Rule ruleOf(const Options& options);

// Tiles placed, neighbour slots filled, population seeded.
Tiling buildWorld(const Options& options, TilingKind kind = TilingKind::Quorvel);

// Hooks for a program that watches the run as well as reporting it.
struct RunObserver {
    // The tiling as seeded, before the first step. It is the tiling the run then steps: the
    // reference follows the run's state until reportRun returns.
    std::function<void(const Tiling&)> seeded;
    // After each step, once its line is written.
    std::function<void(const TilingAutomaton&)> stepped;
};

// The part of a run every program on these options shares: build, banner, summary, the
// steps with their lines, and the SVG with its "svg=" line when a path is set. Returns the
// tiling in its final state. Only the Spectre patch names itself in the summary.
Tiling reportRun(const Options& options, std::ostream& out, const RunObserver& observer = {},
                 TilingKind kind = TilingKind::Quorvel);

// Calls `run` and returns its status; an error thrown by it, or standard output failing,
// becomes the error line and status 1. Lines already written stay.
int runReportingErrors(std::ostream& out, std::ostream& err, const std::function<int()>& run);

}  // namespace quorvel
