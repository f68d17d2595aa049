#include <benchmark/benchmark.h>

#include "tiling/Patch.h"

namespace {

using namespace quorvel;

void BM_Expansion(benchmark::State& state) {
    const int32_t depth = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        Tiling tiling = expandPatch("Delta", depth, TilingKind::Quorvel);
        benchmark::DoNotOptimize(tiling.data());
    }
}
BENCHMARK(BM_Expansion)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
