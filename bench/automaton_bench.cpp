#include <benchmark/benchmark.h>

#include "DepthFiveWorld.h"
#include "automaton/Automaton.h"

namespace {

using namespace quorvel;

// Rule 0 is the default B3/S2-3, which settles to a few hundred live tiles at depth 5; rule 1
// is the busy B2/S1-4, which keeps most of the patch flipping.
Rule benchRule(int64_t id) {
    return id == 0 ? Rule{} : Rule{2, 1, 4, 1};
}

void reportPerStep(benchmark::State& state, int64_t stepsPerIteration) {
    const auto steps = static_cast<double>(stepsPerIteration);
    const auto tiles = static_cast<double>(bench::depthFiveWorld().size());
    state.counters["step_time"] = benchmark::Counter(
        steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["tile_updates"] =
        benchmark::Counter(steps * tiles, benchmark::Counter::kIsIterationInvariantRate);
}

// A whole run from the seeded state: set-up of the Automaton included, as the driver does it.
void BM_AutomatonRun(benchmark::State& state) {
    const Rule rule = benchRule(state.range(0));
    const int64_t steps = state.range(1);
    for (auto _ : state) {
        state.PauseTiming();
        Tiling tiling = bench::depthFiveWorld();
        state.ResumeTiming();
        Automaton automaton(tiling, rule);
        int64_t checksum = 0;
        for (int64_t s = 0; s < steps; ++s) {
            automaton.step();
            checksum += automaton.liveCount() + automaton.maxAge();
        }
        benchmark::DoNotOptimize(checksum);
    }
    reportPerStep(state, steps);
}
BENCHMARK(BM_AutomatonRun)
    ->ArgNames({"rule", "steps"})
    ->Args({0, 1000})
    ->Args({0, 10000})
    ->Args({1, 1000})
    ->Unit(benchmark::kMillisecond);

// The plain reading, with the driver's walk for the live count and the largest age.
void BM_PlainRun(benchmark::State& state) {
    const Rule rule = benchRule(state.range(0));
    const int64_t steps = state.range(1);
    for (auto _ : state) {
        state.PauseTiming();
        Tiling tiling = bench::depthFiveWorld();
        state.ResumeTiming();
        int64_t checksum = 0;
        for (int64_t s = 0; s < steps; ++s) {
            stepAutomaton(tiling, rule.birth, rule.surviveMin, rule.surviveMax, rule.faceWeight);
            for (const Tile& tile : tiling) {
                checksum += (tile.alive ? 1 : 0) + tile.age;
            }
        }
        benchmark::DoNotOptimize(checksum);
    }
    reportPerStep(state, steps);
}
BENCHMARK(BM_PlainRun)
    ->ArgNames({"rule", "steps"})
    ->Args({0, 1000})
    ->Args({1, 1000})
    ->Unit(benchmark::kMillisecond);
// Ten thousand plain steps take seconds: one iteration is enough.
BENCHMARK(BM_PlainRun)
    ->ArgNames({"rule", "steps"})
    ->Args({0, 10000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// One step of a run that has already settled (default rule, after 1000 steps).
void BM_AutomatonSettledStep(benchmark::State& state) {
    Tiling tiling = bench::depthFiveWorld();
    Automaton automaton(tiling, Rule{});
    for (int s = 0; s < 1000; ++s) {
        automaton.step();
    }
    for (auto _ : state) {
        automaton.step();
        benchmark::DoNotOptimize(automaton.liveCount());
    }
    reportPerStep(state, 1);
}
BENCHMARK(BM_AutomatonSettledStep)->Unit(benchmark::kMicrosecond);

void BM_PlainSettledStep(benchmark::State& state) {
    Tiling tiling = bench::depthFiveWorld();
    const Rule rule;
    for (int s = 0; s < 1000; ++s) {
        stepAutomaton(tiling, rule.birth, rule.surviveMin, rule.surviveMax, rule.faceWeight);
    }
    for (auto _ : state) {
        stepAutomaton(tiling, rule.birth, rule.surviveMin, rule.surviveMax, rule.faceWeight);
        benchmark::DoNotOptimize(tiling.data());
    }
    reportPerStep(state, 1);
}
BENCHMARK(BM_PlainSettledStep)->Unit(benchmark::kMicrosecond);

}  // namespace
