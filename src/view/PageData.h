// The compact data of the viewer page, all of it unsigned LEB128 varints carried as base64.
//
// Geometry: per tile in Tiling order, either 0, its point count, then each point as the
// zigzag-coded difference from the previous point written (across tiles, from (0, 0)) of its
// picture coordinates rounded to 1/kGeometryScale; or d > 0: the same points, in the same order,
// as tile (index - d). Coincident tiles are common in the patch, so most tiles are one number.
// Picture coordinates are those of the SVG picture: the patch shifted so that its smallest x and
// y sit kPictureMargin units in.
// Adjacency: per tile v in Tiling order, the number of tiles that count it, then each of them
// as zigzag(tile - v) * 8 + (weight - 1), weight being the capped face count (1 to 6).
// Checkpoints: as run/Checkpoint.h writes them.
// Population: per step, the live count as the zigzag-coded difference from the previous step's
// (the first from 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "automaton/StepGraph.h"
#include "run/Checkpoint.h"
#include "tiling/Tiling.h"

namespace quorvel {

constexpr double kGeometryScale = 1000.0;
std::string encodeBase64(const std::string& bytes);

struct PictureSize {
    double width = 0;
    double height = 0;
};

// The SVG picture's width and height: the patch's extent plus a margin on every side.
PictureSize pictureSize(const Tiling& tiling);

std::string encodeGeometry(const Tiling& tiling);

// The dependants of every tile, in the order above.
std::string encodeAdjacency(const Neighbourhood& dependants);

std::string encodePopulation(const std::vector<int32_t>& liveCounts);

}  // namespace quorvel
