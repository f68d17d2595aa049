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

void BM_WriteSvg(benchmark::State& state) {
    const Tiling& tiling = bench::depthFiveWorld();
    for (auto _ : state) {
        writeSvg(tiling, picturePath());
    }
}
BENCHMARK(BM_WriteSvg)->Unit(benchmark::kMillisecond);

void BM_WriteSvgPlain(benchmark::State& state) {
    const Tiling& tiling = bench::depthFiveWorld();
    for (auto _ : state) {
        reference::writeSvgPlain(tiling, picturePath());
    }
}
BENCHMARK(BM_WriteSvgPlain)->Unit(benchmark::kMillisecond);

}  // namespace
