// The viewer page: one self-contained HTML file (inline script and style, no request of any
// kind) that replays a recorded run on a canvas, with controls, age colours, a population
// plot and a status line that reads like the run's step line.
#pragma once

#include <cstdint>
#include <string>

#include "tiling/Tiling.h"
#include "view/Period.h"
#include "view/RunRecord.h"

namespace quorvel {

// Steps between full-state checkpoints in the page: a jump replays at most this many steps
// of changes from the nearest checkpoint.
constexpr int32_t kCheckpointInterval = 50;

// `tiling` gives the geometry only; `summary` is shown as the page's heading. Creates or
// replaces the file; throws "Unable to write HTML: " + path when it cannot be opened, written
// or closed.
void writeViewerPage(const Tiling& tiling, const RunRecord& record, const Period& period,
                     const std::string& summary, const std::string& path);

}  // namespace quorvel
