#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "DepthFiveWorld.h"
#include "Reference.h"
#include "render/SvgWriter.h"

namespace {

using namespace quorvel;

const std::string kPath = "/tmp/quorvel_render_bench.svg";

void BM_WriteSvg(benchmark::State& state) {
    const Tiling& tiling = bench::depthFiveWorld();
    for (auto _ : state) {
        writeSvg(tiling, kPath);
    }
    std::remove(kPath.c_str());
}
BENCHMARK(BM_WriteSvg)->Unit(benchmark::kMillisecond);

void BM_WriteSvgPlain(benchmark::State& state) {
    const Tiling& tiling = bench::depthFiveWorld();
    for (auto _ : state) {
        reference::writeSvgPlain(tiling, kPath);
    }
    std::remove(kPath.c_str());
}
BENCHMARK(BM_WriteSvgPlain)->Unit(benchmark::kMillisecond);

}  // namespace
