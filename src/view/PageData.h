// The compact data of the viewer page, all of it unsigned LEB128 varints carried as base64.
//
// Geometry: per tile in Tiling order, its point count, then each point as the zigzag-coded
// difference from the previous point (across tiles, from (0, 0)) of its picture coordinates
// rounded to 1/kGeometryScale. Picture coordinates are those of the SVG picture: the patch
// shifted so that its smallest x and y sit kPictureMargin units in.
// Changes: per step 1..N, the number of tiles that flipped, then their ascending indices, each
// written as its distance from the previous one minus one (the first from -1).
// Checkpoint at step s: the number of live tiles, then per live tile, ascending, its index
// written as in a change list and its age minus one; ages say when each tile was born.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tiling/Tiling.h"
#include "view/RunRecord.h"

namespace quorvel {

constexpr double kGeometryScale = 1000.0;
constexpr double kPictureMargin = 24.0;

void appendVarint(std::string& bytes, uint64_t value);
// Throws "Truncated page data" when the bytes end inside a number.
uint64_t readVarint(const std::string& bytes, std::size_t& position);

std::string encodeBase64(const std::string& bytes);
// Accepts only what encodeBase64 writes; throws "Invalid base64 data" otherwise.
std::string decodeBase64(const std::string& text);

struct PictureSize {
    double width = 0;
    double height = 0;
};

// The SVG picture's width and height: the patch's extent plus a margin on every side.
PictureSize pictureSize(const Tiling& tiling);

std::string encodeGeometry(const Tiling& tiling);

std::string encodeChanges(const RunRecord& record);
// The change list of every step 1..stepCount; element 0 is the empty list of step 0.
std::vector<std::vector<int32_t>> decodeChanges(const std::string& bytes, int32_t stepCount);

std::string encodeCheckpoint(const ReplayState& state);
ReplayState decodeCheckpoint(const std::string& bytes, int32_t step, int32_t tileCount);

}  // namespace quorvel
