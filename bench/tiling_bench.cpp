#include <benchmark/benchmark.h>

#include "geometry/BaseTile.h"
#include "tiling/Expansion.h"

namespace {

using namespace quorvel;

void BM_Expansion(benchmark::State& state) {
    const int32_t depth = static_cast<int32_t>(state.range(0));
    const Polygon base = basePolygon();
    const std::vector<Affine> transforms = childTransforms(keyPoints(base));
    const SupertileRules rules = supertileRules();
    for (auto _ : state) {
        Tiling tiling;
        tiling.reserve(expandedTileCount("Delta", depth, rules));
        expandSupertile("Delta", depth, identity(), base, transforms, rules, tiling);
        benchmark::DoNotOptimize(tiling.data());
    }
}
BENCHMARK(BM_Expansion)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
