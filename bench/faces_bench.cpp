#include <benchmark/benchmark.h>

#include "Reference.h"
#include "faces/FaceGraph.h"
#include "support/TestWorlds.h"
#include "tiling/Patch.h"

namespace {

using namespace quorvel;

// The tiling is built once; each iteration builds its face graph afresh, the flat slots
// included.
template <TilingKind kind = TilingKind::Quorvel>
void faceGraphAtDepth(benchmark::State& state) {
    const Tiling tiling = expandPatch("Delta", static_cast<int32_t>(state.range(0)), kind);
    for (auto _ : state) {
        const FaceGraph faces = buildFaceGraph(tiling);
        benchmark::DoNotOptimize(faces.slots.data());
        benchmark::ClobberMemory();
    }
    state.counters["tiles"] = static_cast<double>(tiling.size());
}

void BM_FaceGraph(benchmark::State& state) {
    faceGraphAtDepth(state);
}

// The Spectre patch: as many edges, but 249310 distinct ones at depth 5 against 8848.
void BM_FaceGraphSpectre(benchmark::State& state) {
    faceGraphAtDepth<TilingKind::Spectre>(state);
}

// The fat tiles are made once; each iteration refills their slots from text keys.
void BM_FaceGraphPlainReference(benchmark::State& state) {
    reference::Tiling tiling =
        reference::fatTiling(testsupport::worldOf("Delta", static_cast<int32_t>(state.range(0))));
    for (auto _ : state) {
        reference::buildFaceGraphPlain(tiling);
        benchmark::DoNotOptimize(tiling.front().neighbours.data());
        benchmark::ClobberMemory();
    }
    state.counters["tiles"] = static_cast<double>(tiling.size());
}

BENCHMARK(BM_FaceGraph)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaceGraphSpectre)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaceGraphPlainReference)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
