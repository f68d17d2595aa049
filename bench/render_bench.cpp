#include <benchmark/benchmark.h>

#include <string>

#include "DepthFiveWorld.h"
#include "Reference.h"
#include "render/SvgWriter.h"
#include "support/ScratchDir.h"

namespace {

using namespace quorvel;

// In a directory of the run's own, removed at exit.
const std::string& picturePath() {
    static const testsupport::ScratchDir scratch("quorvel-render-bench");
    static const std::string path = scratch.path("picture.svg");
    return path;
}

// Outlines are recomputed from the placements on every write.
void BM_WriteSvg(benchmark::State& state) {
    const bench::DepthFiveWorld& world = bench::depthFiveWorld();
    for (auto _ : state) {
        writeSvg(world.world.tiling, world.seeded.alive, picturePath());
    }
}
BENCHMARK(BM_WriteSvg)->Unit(benchmark::kMillisecond);

void BM_WriteSvgPlain(benchmark::State& state) {
    const reference::Tiling& tiling = bench::depthFiveFatTiling();
    for (auto _ : state) {
        reference::writeSvgPlain(tiling, picturePath());
    }
}
BENCHMARK(BM_WriteSvgPlain)->Unit(benchmark::kMillisecond);

}  // namespace
