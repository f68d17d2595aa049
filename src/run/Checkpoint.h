// A full state of a run at one step, as bytes: every live tile and its age. The run record
// keeps these to re-simulate from, and the viewer page carries them to step from. All numbers
// are unsigned LEB128 varints.
//
// Checkpoint: its kind, then the number of live tiles. A list (kind 0) then gives per live tile,
// ascending, its index written as its distance from the previous live tile minus one (the first
// from -1) and its age minus one. A bitmap (kind 1; the shorter when many tiles live) gives
// ceil(tiles / 8) bytes, tile t's bit being bit t % 8 of byte t / 8, then the age minus one of
// every live tile, ascending. Bits after the live count's last live tile are not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "automaton/Automaton.h"
#include "automaton/Population.h"

namespace quorvel {

constexpr uint64_t kCheckpointList = 0;
constexpr uint64_t kCheckpointBitmap = 1;

void appendVarint(std::string& bytes, uint64_t value);
// Throws "Truncated page data" when the bytes end inside a number.
uint64_t readVarint(const std::string& bytes, std::size_t& position);

// The automaton's alive flags and ages as they stand.
std::string encodeCheckpoint(const Automaton& automaton);
// The alive flags and ages of `tileCount` tiles from a checkpoint taken at `step`. Throws on
// data that names a tile out of range, an age over step + 1 or trailing bytes.
Population loadCheckpoint(const std::string& bytes, int32_t step, std::size_t tileCount);

}  // namespace quorvel
