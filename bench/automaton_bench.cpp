#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>

#include "DepthFiveWorld.h"
#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "faces/FaceGraph.h"
#include "legacy/TilingAutomaton.h"
#include "support/TestWorlds.h"
#include "tiling/Patch.h"

namespace {

using namespace quorvel;

// Rule 0 is the default B3/S2-3, which settles to a few hundred live tiles at depth 5; rule 1
// is the busy B2/S1-4, which keeps most of the patch flipping.
Rule benchRule(int64_t id) {
    return id == 0 ? Rule{} : Rule{2, 1, 4, 1};
}

void reportPerStep(benchmark::State& state, int64_t stepsPerIteration) {
    const auto steps = static_cast<double>(stepsPerIteration);
    const auto tiles = static_cast<double>(bench::depthFiveWorld().tileCount());
    state.counters["step_time"] = benchmark::Counter(
        steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["tile_updates"] =
        benchmark::Counter(steps * tiles, benchmark::Counter::kIsIterationInvariantRate);
}

// A whole run from the seeded state: set-up of the Automaton included, as the driver does it.
void BM_AutomatonRun(benchmark::State& state) {
    const Rule rule = benchRule(state.range(0));
    const int64_t steps = state.range(1);
    const bench::DepthFiveWorld& world = bench::depthFiveWorld();
    for (auto _ : state) {
        Automaton automaton(world.graph, rule, world.seeded);
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
        reference::Tiling tiling = bench::depthFiveFatTiling();
        state.ResumeTiming();
        int64_t checksum = 0;
        for (int64_t s = 0; s < steps; ++s) {
            reference::stepAutomatonPlain(tiling, rule.birth, rule.surviveMin, rule.surviveMax,
                                          rule.faceWeight);
            for (const reference::Tile& tile : tiling) {
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
    const bench::DepthFiveWorld& world = bench::depthFiveWorld();
    Automaton automaton(world.graph, Rule{}, world.seeded);
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
    reference::Tiling tiling = bench::depthFiveFatTiling();
    const Rule rule;
    for (int s = 0; s < 1000; ++s) {
        reference::stepAutomatonPlain(tiling, rule.birth, rule.surviveMin, rule.surviveMax,
                                      rule.faceWeight);
    }
    for (auto _ : state) {
        reference::stepAutomatonPlain(tiling, rule.birth, rule.surviveMin, rule.surviveMax,
                                      rule.faceWeight);
        benchmark::DoNotOptimize(tiling.data());
    }
    reportPerStep(state, 1);
}
BENCHMARK(BM_PlainSettledStep)->Unit(benchmark::kMicrosecond);

// ---- Automaton on a StepGraph, against the automaton before the split (bench/legacy) ----

// A seeded patch with its face slots, its step graph at weight 1 and its starting population.
struct SteppedWorld {
    World world;
    std::shared_ptr<const StepGraph> graph;
    Population start;
    // The same seeded patch as fat tiles, made only when the old automaton is timed on it.
    mutable std::unique_ptr<reference::Tiling> fat;

    const reference::Tiling& fatTiling() const {
        if (!fat) {
            fat = std::make_unique<reference::Tiling>(reference::fatTiling(world));
            reference::seedPopulationPlain(*fat, 1, 0.42);
        }
        return *fat;
    }
};

SteppedWorld steppedWorld(int32_t depth, TilingKind kind) {
    SteppedWorld world{testsupport::worldOf("Delta", depth, kind), {}, {}, {}};
    world.graph = std::make_shared<const StepGraph>(buildStepGraph(world.world.faces, 1));
    world.start = seedPopulation(world.world.tiling.size(), 1, 0.42);
    return world;
}

// The genuine patch at depth 7: 2147679 tiles, far outside any cache.
const SteppedWorld& depthSevenSpectre() {
    static const SteppedWorld world = steppedWorld(7, TilingKind::Spectre);
    return world;
}

const SteppedWorld& depthFiveQuorvel() {
    static const SteppedWorld world = steppedWorld(5, TilingKind::Quorvel);
    return world;
}

enum Stepper : int64_t { kAuto1, kAuto2, kDense1, kSparse1, kTilingAutomaton };

// One whole run per iteration from the seeded population: the Automaton (built once, restarted
// untimed) or the old automaton on a fresh copy of the seeded fat tiles (copied untimed).
void runSteppers(benchmark::State& state, const SteppedWorld& world, const Rule& rule) {
    const auto stepper = static_cast<Stepper>(state.range(0));
    const int64_t steps = state.range(1);
    const int32_t threads = stepper == kAuto2 ? 2 : 1;
    const StepMode mode = stepper == kDense1    ? StepMode::Dense
                          : stepper == kSparse1 ? StepMode::Sparse
                                                : StepMode::Auto;
    std::unique_ptr<Automaton> automaton;
    if (stepper != kTilingAutomaton) {
        automaton =
            std::make_unique<Automaton>(world.graph, rule, world.start, threads, StepTuning{mode});
    }
    int64_t checksum = 0;
    int64_t flips = 0;
    for (auto _ : state) {
        if (automaton) {
            state.PauseTiming();
            automaton->restart(rule, world.start);
            state.ResumeTiming();
            for (int64_t s = 0; s < steps; ++s) {
                automaton->step();
                checksum += automaton->liveCount() + automaton->maxAge();
                flips += static_cast<int64_t>(automaton->changedTiles().size());
            }
        } else {
            state.PauseTiming();
            reference::Tiling tiling = world.fatTiling();
            state.ResumeTiming();
            legacy::TilingAutomaton old(tiling, rule);
            for (int64_t s = 0; s < steps; ++s) {
                old.step();
                checksum += old.liveCount() + old.maxAge();
            }
            state.PauseTiming();
            tiling = reference::Tiling();  // released untimed
            state.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(checksum);
    const auto tiles = static_cast<double>(world.graph->tileCount());
    state.counters["tile_updates"] = benchmark::Counter(
        static_cast<double>(steps) * tiles, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["flips_per_tile_step"] =
        static_cast<double>(flips) /
        (static_cast<double>(state.iterations()) * static_cast<double>(steps) * tiles);
    state.counters["threads"] = automaton ? automaton->threadCount() : 1;
    const Neighbourhood& counted = *world.graph->counted;
    state.counters["graph_bytes_per_tile"] =
        static_cast<double>(counted.start.size() * 4 + counted.tiles.size() * 5) *
        (world.graph->symmetric() ? 1 : 2) / tiles;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// B2/S2-3 keeps a large part of the genuine patch flipping for hundreds of steps.
void BM_SpectreDepth7Busy(benchmark::State& state) {
    runSteppers(state, depthSevenSpectre(), Rule{2, 2, 3, 1});
}
BENCHMARK(BM_SpectreDepth7Busy)
    ->ArgNames({"stepper", "steps"})
    ->Args({kAuto1, 1000})
    ->Args({kAuto2, 1000})
    ->Args({kDense1, 1000})
    ->Args({kSparse1, 1000})
    ->Args({kTilingAutomaton, 1000})
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// The default rule at depth 5 settles: the run is mostly sparse steps.
void BM_QuorvelDepth5Default(benchmark::State& state) {
    runSteppers(state, depthFiveQuorvel(), Rule{});
}
BENCHMARK(BM_QuorvelDepth5Default)
    ->ArgNames({"stepper", "steps"})
    ->Args({kAuto1, 5000})
    ->Args({kTilingAutomaton, 5000})
    ->Args({kAuto1, 100000})
    ->Args({kTilingAutomaton, 100000})
    ->Repetitions(5)
    ->UseRealTime()
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace
