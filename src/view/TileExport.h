// The world written out for other tools: one record per tile with its label, exact placement,
// float position and outline, face neighbours, the chain of supertiles it came from and its
// state at the run's last step. Two formats, chosen by the path's extension:
//
// .csv: a header line, then one row per tile, no quoting needed (no field holds a comma):
//   index,label,turn,mirror,c0,c1,c2,c3,x,y,x0,y0,...,x13,y13,face0,...,face13,supertiles,
//   alive,age
// .jsonl: one JSON object per line:
//   {"index":0,"label":"Xi","turn":3,"mirror":false,"shift":[c0,c1,c2,c3],"x":..,"y":..,
//    "vertices":[[x0,y0],...,[x13,y13]],"faces":[f0,...,f13],"supertiles":["Delta","Xi"],
//    "alive":1,"age":4}
//
// turn is 0..11 (multiples of 30 degrees, counter-clockwise), applied after the mirror
// (x -> -x, 0 or 1 / false or true); c0..c3 are the exact shift in the basis 1, z, z^2, z^3
// (z the unit vector at 30 degrees); x,y is that shift as floats. The vertices are the picture's
// outline, the same bits the SVG draws, written in the shortest form that reads back exactly.
// face j is the tile across edge j (vertex j to vertex j+1) or -1. supertiles lists the labels
// from the root down to the tile's own supertile, joined by '/' in the CSV. age is 0 for a dead
// tile.
#pragma once

#include <ostream>
#include <string>

#include "automaton/Automaton.h"
#include "run/World.h"

namespace quorvel {

enum class ExportFormat { Csv, JsonLines };

// By extension; throws "Unsupported export format: PATH (.csv or .jsonl)".
ExportFormat exportFormatOf(const std::string& path);

void writeTileExport(std::ostream& out, const World& world, const Automaton& state,
                     ExportFormat format);

// Through an OutputFile: whole or not at all. Throws "Unable to write export: PATH".
void writeTileExportFile(const World& world, const Automaton& state, const std::string& path,
                         std::ostream* report);

}  // namespace quorvel
