#include <benchmark/benchmark.h>

#include "Reference.h"
#include "faces/FaceGraph.h"
#include "tiling/Patch.h"

namespace {

using namespace quorvel;

// The tiling is built once; each iteration refills the slots of the same tiles.
template <void (*build)(Tiling&), TilingKind kind = TilingKind::Quorvel>
void faceGraphAtDepth(benchmark::State& state) {
    Tiling tiling = expandPatch("Delta", static_cast<int32_t>(state.range(0)), kind);
    for (auto _ : state) {
        build(tiling);
        benchmark::DoNotOptimize(tiling.front().neighbours.data());
        benchmark::ClobberMemory();
    }
    state.counters["tiles"] = static_cast<double>(tiling.size());
}

void BM_FaceGraph(benchmark::State& state) {
    faceGraphAtDepth<buildFaceGraph>(state);
}
void BM_FaceGraphPlainReference(benchmark::State& state) {
    faceGraphAtDepth<reference::buildFaceGraphPlain>(state);
}

// The Spectre patch: as many edges, but 249310 distinct ones at depth 5 against 8848.
void BM_FaceGraphSpectre(benchmark::State& state) {
    faceGraphAtDepth<buildFaceGraph, TilingKind::Spectre>(state);
}

BENCHMARK(BM_FaceGraph)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaceGraphSpectre)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaceGraphPlainReference)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
