// The console report lines of a run. Each line ends in "\n" and none is flushed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>

#include <string>
#include "run/Options.h"

#include "tiling/TilingKind.h"

namespace quorvel {

void writeBanner(std::ostream& out);

// "tiles=... depth=... root=... rule=Bb/Smin-max weight=... density=0.42 seed=...", then
// " tiling=spectre" for the Spectre patch (quorvel's own line never names its patch), then
// " neighbourhood=vertex" for the vertex neighbourhood. A set rule is written canonically.
void writeSummary(std::ostream& out, const Options& options, std::size_t tileCount,
                  TilingKind kind = TilingKind::Quorvel);
// The same line without its "\n".
std::string summaryLine(const Options& options, std::size_t tileCount, TilingKind kind);

// The step counter is 64-bit so that the last of 2^31 - 1 steps cannot overflow it.
void writeStepLine(std::ostream& out, int64_t step, int32_t liveCount, uint32_t maxAge);

// Throws "Unable to write standard output" once the stream has failed.
void checkWritten(std::ostream& out);

}  // namespace quorvel
