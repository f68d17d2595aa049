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
// Checkpoint: its kind, then the number of live tiles. A list (kind 0) then gives per live tile,
// ascending, its index written as its distance from the previous live tile minus one (the first
// from -1) and its age minus one. A bitmap (kind 1; the shorter when many tiles live) gives
// ceil(tiles / 8) bytes, tile t's bit being bit t % 8 of byte t / 8, then the age minus one of
// every live tile, ascending. Bits after the live count's last live tile are not read.
// Population: per step, the live count as the zigzag-coded difference from the previous step's
// (the first from 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "automaton/Automaton.h"
#include "tiling/Tiling.h"

namespace quorvel {

constexpr double kGeometryScale = 1000.0;
constexpr uint64_t kCheckpointList = 0;
constexpr uint64_t kCheckpointBitmap = 1;

void appendVarint(std::string& bytes, uint64_t value);
// Throws "Truncated page data" when the bytes end inside a number.
uint64_t readVarint(const std::string& bytes, std::size_t& position);

std::string encodeBase64(const std::string& bytes);

struct PictureSize {
    double width = 0;
    double height = 0;
};

// The SVG picture's width and height: the patch's extent plus a margin on every side.
PictureSize pictureSize(const Tiling& tiling);

std::string encodeGeometry(const Tiling& tiling);

std::string encodeAdjacency(const ReverseAdjacency& adjacency);

// The tiles' alive flags and ages as they stand.
std::string encodeCheckpoint(const Tiling& tiling);
// Sets every tile's alive flag and age from a checkpoint taken at `step`. Throws on data that
// names a tile out of range, an age over step + 1 or trailing bytes.
void loadCheckpoint(const std::string& bytes, int32_t step, Tiling& tiling);

std::string encodePopulation(const std::vector<int32_t>& liveCounts);

}  // namespace quorvel
