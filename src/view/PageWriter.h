// The viewer page: one self-contained HTML file (inline script and style, no request of any
// kind) that shows a run on a canvas, with controls, age colours, a population plot and a
// status line that reads like the run's step line. The page steps the rule itself, from the
// nearest of the run's checkpoints, so it shows every recorded step and can go on past them.
#pragma once

#include <ostream>
#include <string>

#include "automaton/StepGraph.h"
#include "run/RunRecord.h"
#include "tiling/Tiling.h"

namespace quorvel {

// The largest depth a page is written for: beyond it the page would carry too much.
constexpr int32_t kLargestPageDepth = 6;

// The run data of the page, a script object literal (see PageData.h for its encodings).
void writeRunData(std::ostream& out, const Tiling& tiling, const StepGraph& graph,
                  const RunRecord& record);

// `tiling` gives the geometry, `graph` who counts whom; `summary` is shown as the page's
// heading. Creates or replaces the file; throws "Unable to write HTML: " + path when it cannot
// be opened, written or closed. `report` is flushed first when the page goes to standard
// output or another non-file.
void writeViewerPage(const Tiling& tiling, const StepGraph& graph, const RunRecord& record,
                     const std::string& summary, const std::string& path,
                     std::ostream* report = nullptr);

}  // namespace quorvel
