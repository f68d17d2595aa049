// The viewer's own work: a recorded run (live counts, checkpoints, the period search) against
// the bare automaton on the same steps, and writing the page, at depth 5.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "DepthFiveWorld.h"
#include "automaton/Automaton.h"
#include "run/RunRecord.h"
#include "support/ScratchDir.h"
#include "view/PageWriter.h"

namespace quorvel {
namespace {

// B2/S2-3 stays busy; the default rule settles.
const Rule kBusyRule{2, 2, 3, 1};
constexpr int32_t kSteps = 2000;

// Both set up the automaton and the record's step 0 in every iteration, so that they differ
// by the recording of the steps alone.
void runSteps(benchmark::State& state, const Rule& rule, bool recorded) {
    const bench::DepthFiveWorld& world = bench::depthFiveWorld();
    for (auto _ : state) {
        Automaton automaton(world.graph, rule, world.seeded);
        RunRecord record(automaton);
        for (int32_t step = 0; step < kSteps; ++step) {
            automaton.step();
            if (recorded) {
                record.addStep(automaton);
            }
        }
        benchmark::DoNotOptimize(record.period());
    }
}

void BM_BusyRunBare(benchmark::State& state) {
    runSteps(state, kBusyRule, false);
}
void BM_BusyRunRecorded(benchmark::State& state) {
    runSteps(state, kBusyRule, true);
}
void BM_DefaultRunBare(benchmark::State& state) {
    runSteps(state, Rule{}, false);
}
void BM_DefaultRunRecorded(benchmark::State& state) {
    runSteps(state, Rule{}, true);
}
BENCHMARK(BM_BusyRunBare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BusyRunRecorded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultRunBare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultRunRecorded)->Unit(benchmark::kMillisecond);

void BM_WriteViewerPage(benchmark::State& state) {
    const bench::DepthFiveWorld& world = bench::depthFiveWorld();
    Automaton automaton(world.graph, kBusyRule, world.seeded);
    RunRecord record(automaton);
    for (int32_t step = 0; step < kSteps; ++step) {
        automaton.step();
        record.addStep(automaton);
    }
    const testsupport::ScratchDir scratch("quorvel-view-bench");
    const std::string path = scratch.path("page.html");
    for (auto _ : state) {
        writeViewerPage(world.world.tiling, *world.graph, record, PageSeeding{}, "summary", path);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_WriteViewerPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
