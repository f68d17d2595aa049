// The viewer page: one self-contained HTML file (inline script and style, no request of any
// kind) that shows a run on a canvas, with controls, age colours, a population plot and a
// status line that reads like the run's step line. The page steps the rule itself, from the
// nearest of the run's checkpoints, so it shows every recorded step and can go on past them.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "automaton/NeighbourhoodKind.h"
#include "automaton/StepGraph.h"
#include "run/RunRecord.h"
#include "run/World.h"
#include "tiling/Tiling.h"

namespace quorvel {

// The largest depth a page is written for: the genuine patch at depth 7 (two million tiles)
// makes a page of some 40 MB; depth 8 would be eight times that.
constexpr int32_t kLargestPageDepth = 7;

// The face weight the page's step graph is built with: the largest, so that the page can
// step every face weight by capping the weights itself.
constexpr int32_t kPageFaceWeight = 6;

// The step graph the page carries for a run on `world` in `neighbourhood`: the face graph at
// kPageFaceWeight, or the vertex graph as the run steps it (its weights are all 1, which the
// page's cap leaves as they are).
StepGraph pageStepGraphOf(const World& world, NeighbourhoodKind neighbourhood,
                          const StepGraph& runGraph);

// What the page reseeds with when it is asked for the run's own population.
struct PageSeeding {
    uint64_t seed = 1;
    double density = 0.42;
};

// The run data of the page, JSON (see PageData.h for its encodings).
std::string runDataText(const Tiling& tiling, const StepGraph& graph, const RunRecord& record,
                        const PageSeeding& seeding);
void writeRunData(std::ostream& out, const Tiling& tiling, const StepGraph& graph,
                  const RunRecord& record, const PageSeeding& seeding);

// `tiling` gives the geometry, `graph` who counts whom (built at kPageFaceWeight); `summary` is
// shown as the page's heading. Creates or replaces the file; throws "Unable to write HTML: " + path
// when it cannot be opened, written or closed. `report` is flushed first when the page goes to
// standard output or another non-file.
void writeViewerPage(const Tiling& tiling, const StepGraph& graph, const RunRecord& record,
                     const PageSeeding& seeding, const std::string& summary,
                     const std::string& path, std::ostream* report = nullptr);

}  // namespace quorvel
