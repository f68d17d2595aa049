// The compact data of the viewer page, all of it unsigned LEB128 varints carried as base64.
// A page of the genuine patch at depth 7 holds two million tiles, so every tile costs a few
// bytes and nothing the page can recompute is carried.
//
// Placements: per tile in Tiling order, its orientation (turn + 12 * mirror, 0..23), then the
// four lattice coordinates of its shift, each the zigzag-coded difference from the previous
// tile's (the first from 0). Tiles that follow each other in the expansion lie close, so most
// differences take one byte. The page maps the exact base polygon through them for outlines.
// Step graph: per tile v in Tiling order, the tiles u that count v, ascending, each with the
// weight w (1..14) it counts v with: first their number, then per tile (gap << 1) | (w > 1),
// followed by w - 2 when w > 1 (most weights are 1). The gap is u - v for the first tile and
// the distance from the previous one after it (zigzag-coded for the first when the graph is
// not symmetric). A symmetric graph (each counts the other with the same weight) carries only
// the tiles u >= v. The page is given the graph at the largest face weight and caps the
// weights itself, so that it can step any face weight.
// Checkpoints: as run/Checkpoint.h writes them.
// Population: per step, the live count as the zigzag-coded difference from the previous step's
// (the first from 0).
// Checksum: FNV-1a (32 bits) over the run data's text, so that a changed byte anywhere is seen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "automaton/StepGraph.h"
#include "run/Checkpoint.h"
#include "tiling/Tiling.h"

namespace quorvel {

std::string encodeBase64(const std::string& bytes);

struct PictureSize {
    double width = 0;
    double height = 0;
};

// The SVG picture's width and height: the patch's extent plus a margin on every side.
PictureSize pictureSize(const Tiling& tiling);

std::string encodePlacements(const Tiling& tiling);

// The dependants of every tile, in the order above; `symmetric` keeps only the tiles u >= v.
std::string encodeStepGraph(const Neighbourhood& dependants, bool symmetric);

std::string encodePopulation(const std::vector<int32_t>& liveCounts);

uint32_t fnv1a32(const std::string& text);

}  // namespace quorvel
