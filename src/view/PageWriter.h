// The viewer page: one self-contained HTML file (inline script and style, no request of any
// kind) that shows a run on a canvas, with controls, age colours, a population plot and a
// status line that reads like the run's step line. The page steps the rule itself, from the
// nearest of the run's checkpoints, so it shows every recorded step and can go on past them.
#pragma once

#include <ostream>
#include <string>

#include "tiling/Tiling.h"
#include "run/RunRecord.h"

namespace quorvel {

// The run data of the page, a script object literal (see PageData.h for its encodings).
void writeRunData(std::ostream& out, const Tiling& tiling, const RunRecord& record);

// `tiling` gives the geometry and neighbour slots; `summary` is shown as the page's heading.
// Creates or replaces the file; throws "Unable to write HTML: " + path when it cannot be
// opened, written or closed. `report` is flushed first when the page goes to standard output
// or another non-file.
void writeViewerPage(const Tiling& tiling, const RunRecord& record, const std::string& summary,
                     const std::string& path, std::ostream* report = nullptr);

}  // namespace quorvel
