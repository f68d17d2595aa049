#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "Reference.h"
#include "cli/Driver.h"
#include "render/SvgWriter.h"

namespace {

using namespace quorvel;

// The depth-5 patch (34649 tiles) with its seeded population, built once for all runs.
const Tiling& depthFivePicture() {
    static const Tiling tiling = [] {
        Options options;
        options.depth = 5;
        return buildWorld(options);
    }();
    return tiling;
}

const std::string kPath = "/tmp/quorvel_render_bench.svg";

void BM_WriteSvg(benchmark::State& state) {
    const Tiling& tiling = depthFivePicture();
    for (auto _ : state) {
        writeSvg(tiling, kPath);
    }
    std::remove(kPath.c_str());
}
BENCHMARK(BM_WriteSvg)->Unit(benchmark::kMillisecond);

void BM_WriteSvgPlain(benchmark::State& state) {
    const Tiling& tiling = depthFivePicture();
    for (auto _ : state) {
        reference::writeSvgPlain(tiling, kPath);
    }
    std::remove(kPath.c_str());
}
BENCHMARK(BM_WriteSvgPlain)->Unit(benchmark::kMillisecond);

}  // namespace
