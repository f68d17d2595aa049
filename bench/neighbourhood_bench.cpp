// The vertex neighbourhood against the face neighbourhood, and a set rule against the range
// rule it equals, per tile update on the genuine patch at depth 6 (272791 tiles).
#include <benchmark/benchmark.h>

#include <memory>

#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "automaton/VertexStepGraph.h"
#include "faces/FaceGraph.h"
#include "tiling/Patch.h"

namespace {

using namespace quorvel;

struct Graphs {
    std::shared_ptr<const StepGraph> face;
    std::shared_ptr<const StepGraph> vertex;
    Population seeded;
};

const Graphs& depthSixGraphs() {
    static const Graphs graphs = [] {
        const Tiling tiling = expandPatch("Delta", 6, TilingKind::Spectre);
        Graphs built;
        built.face = std::make_shared<const StepGraph>(buildStepGraph(buildFaceGraph(tiling), 1));
        built.vertex = std::make_shared<const StepGraph>(buildVertexStepGraph(tiling, 1));
        built.seeded = seedPopulation(tiling.size(), 1, 0.42);
        return built;
    }();
    return graphs;
}

// 0: the range rule B2/S2-3; 1: the same rule as sets; 2: the set rule B2,5/S1,3-4.
Rule benchRule(int64_t id) {
    if (id == 0) {
        return Rule{2, 2, 3, 1};
    }
    return Rule(parseSumSets(id == 1 ? "B2/S2-3" : "B2,5/S1,3-4"), 1);
}

// Args: neighbourhood (0 face, 1 vertex), rule, step mode (0 auto, 1 dense), steps.
void BM_NeighbourhoodRun(benchmark::State& state) {
    const Graphs& graphs = depthSixGraphs();
    const auto& graph = state.range(0) == 0 ? graphs.face : graphs.vertex;
    const Rule rule = benchRule(state.range(1));
    const StepTuning tuning{state.range(2) == 0 ? StepMode::Auto : StepMode::Dense};
    const int64_t steps = state.range(3);
    int64_t flips = 0;
    for (auto _ : state) {
        Automaton automaton(graph, rule, graphs.seeded, 1, tuning);
        for (int64_t s = 0; s < steps; ++s) {
            automaton.step();
            flips += static_cast<int64_t>(automaton.changedTiles().size());
        }
        benchmark::DoNotOptimize(automaton.liveCount());
    }
    const auto tiles = static_cast<double>(graph->tileCount());
    state.counters["tile_updates"] = benchmark::Counter(
        static_cast<double>(steps) * tiles, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["flips_per_tile_step"] =
        static_cast<double>(flips) /
        (static_cast<double>(state.iterations()) * static_cast<double>(steps) * tiles);
    state.counters["entries_per_tile"] = static_cast<double>(graph->counted->tiles.size()) / tiles;
}
BENCHMARK(BM_NeighbourhoodRun)
    ->ArgNames({"vertex", "rule", "dense", "steps"})
    ->Args({0, 0, 0, 200})
    ->Args({1, 0, 0, 200})
    ->Args({0, 0, 1, 200})
    ->Args({1, 0, 1, 200})
    ->Args({0, 1, 0, 200})
    ->Args({0, 2, 0, 200})
    ->Args({1, 2, 0, 200})
    ->Args({0, 2, 1, 200})
    ->Args({1, 2, 1, 200})
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void BM_BuildVertexStepGraph(benchmark::State& state) {
    const Tiling tiling = expandPatch("Delta", 6, TilingKind::Spectre);
    for (auto _ : state) {
        benchmark::DoNotOptimize(buildVertexStepGraph(tiling, 1));
    }
    state.counters["tiles"] = static_cast<double>(tiling.size());
}
BENCHMARK(BM_BuildVertexStepGraph)->Unit(benchmark::kMillisecond);

}  // namespace
