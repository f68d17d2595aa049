// Plain readings of the rules, written for clarity rather than speed: the fast paths of the
// library are checked against them on real tilings, and the benchmarks time both.
#pragma once

#include <string>

#include "tiling/Tiling.h"

namespace quorvel::reference {

// Text keys in a hash map of strings, every pair of a group visited.
void buildFaceGraphPlain(Tiling& tiling);

// The picture written through one std::ofstream with its own number formats, the stream
// checked after opening and after closing.
void writeSvgPlain(const Tiling& tiling, const std::string& path);

}  // namespace quorvel::reference
