// The run pipeline the programs on the run options share: building the world and the report of
// a run, with hooks for a program that watches it too.
#pragma once

#include <functional>
#include <ostream>

#include "automaton/Automaton.h"
#include "run/Options.h"
#include "run/ProgramErrors.h"
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
    std::function<void(const Automaton&)> stepped;
};

// The part of a run every program on these options shares: build, banner, summary, the
// steps with their lines, and the SVG with its "svg=" line when a path is set. Returns the
// tiling in its final state. Only the Spectre patch names itself in the summary.
Tiling reportRun(const Options& options, std::ostream& out, const RunObserver& observer = {},
                 TilingKind kind = TilingKind::Quorvel);

}  // namespace quorvel
