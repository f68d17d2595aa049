#include <benchmark/benchmark.h>

#include "run/RunPipeline.h"
#include "tiling/Patch.h"

namespace {

using namespace quorvel;

void BM_Expansion(benchmark::State& state) {
    const int32_t depth = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        Tiling tiling = expandPatch("Delta", depth, TilingKind::Quorvel);
        benchmark::DoNotOptimize(tiling.placements.data());
    }
}
BENCHMARK(BM_Expansion)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

// The two patches at depth 5, expansion alone and the whole world (expansion and face
// graph): the Spectre patch computes five transform lists instead of one, and its face graph
// meets pairs where quorvel's meets crowded groups.
void BM_ExpandPatchDepth5(benchmark::State& state, TilingKind kind) {
    for (auto _ : state) {
        Tiling tiling = expandPatch("Delta", 5, kind);
        benchmark::DoNotOptimize(tiling.placements.data());
    }
}
BENCHMARK_CAPTURE(BM_ExpandPatchDepth5, quorvel, TilingKind::Quorvel)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExpandPatchDepth5, spectre, TilingKind::Spectre)
    ->Unit(benchmark::kMillisecond);

void BM_BuildWorldDepth5(benchmark::State& state, TilingKind kind) {
    Options options;
    options.depth = 5;
    for (auto _ : state) {
        World world = buildWorld(options, kind);
        benchmark::DoNotOptimize(world.faces.slots.data());
    }
}
BENCHMARK_CAPTURE(BM_BuildWorldDepth5, quorvel, TilingKind::Quorvel)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BuildWorldDepth5, spectre, TilingKind::Spectre)->Unit(benchmark::kMillisecond);

}  // namespace
