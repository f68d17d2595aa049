// The census's cost per run: one rule over 64 seeds as a census (reseeding, the period search,
// the rows) against stepping the same runs, to the same steps, with the bare automaton on the
// same shared step graph; and the runs per second of one worker and of two. Beside it, the
// genuine patch's census with and without looking for objects (one more period stepped,
// grouping, the checks and the codes, tallied as the program tallies them).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <vector>

#include "automaton/Automaton.h"
#include "automaton/Population.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "census/Census.h"
#include "census/CensusPlan.h"
#include "census/CensusWorker.h"
#include "census/ObjectTable.h"
#include "run/RunPipeline.h"
#include "run/World.h"
#include "support/TestWorlds.h"

namespace quorvel {
namespace {

constexpr int32_t kMaxSteps = 1000;

struct CensusSetup {
    World world;
    StepGraphs graphs;
    CensusPlan plan;
    std::vector<uint64_t> positions;
    // How far each run went, for the bare stepping to go as far.
    std::vector<CensusRow> rows;
};

const CensusSetup& setup(int32_t depth) {
    static std::vector<std::unique_ptr<CensusSetup>> setups(6);
    std::unique_ptr<CensusSetup>& made = setups[static_cast<std::size_t>(depth)];
    if (!made) {
        Options options;
        options.depth = depth;
        CensusLists lists;
        lists.seeds = parseSeedList("--seed", "1-64");
        const CensusPlan plan(lists);
        made = std::make_unique<CensusSetup>(CensusSetup{buildWorld(options), {}, plan, {}, {}});
        for (const int32_t weight : plan.weights()) {
            made->graphs.emplace(weight, std::make_shared<const StepGraph>(
                                             buildStepGraph(made->world.faces, weight)));
        }
        made->positions = plan.positionsIn(Shard{});
        made->rows = runCensus(made->graphs, made->plan, made->positions, kMaxSteps, 1);
    }
    return *made;
}

void BM_Census(benchmark::State& state) {
    const CensusSetup& census = setup(static_cast<int32_t>(state.range(0)));
    const auto jobs = static_cast<int32_t>(state.range(1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            runCensus(census.graphs, census.plan, census.positions, kMaxSteps, jobs));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(census.positions.size()));
}

// One automaton per face weight, restarted for each run as a census worker does.
void BM_SameStepsBare(benchmark::State& state) {
    const CensusSetup& census = setup(static_cast<int32_t>(state.range(0)));
    const std::size_t tileCount = census.world.tiling.size();
    Population seeded;
    std::map<int32_t, Automaton> automata;
    for (auto _ : state) {
        for (const CensusRow& row : census.rows) {
            seedPopulationInto(seeded, tileCount, row.run.seed, row.run.density);
            const int32_t weight = row.run.rule.faceWeight;
            auto found = automata.find(weight);
            if (found == automata.end()) {
                found = automata.try_emplace(weight, census.graphs.at(weight), row.run.rule, seeded)
                            .first;
            } else {
                found->second.restart(row.run.rule, seeded);
            }
            Automaton& automaton = found->second;
            for (int32_t step = 0; step < row.result.stepsRun; ++step) {
                automaton.step();
            }
            benchmark::DoNotOptimize(automaton.liveCount());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(census.rows.size()));
}

struct GenuineCensus {
    World world;
    StepGraphs graphs;
    CensusPlan plan;
    std::vector<uint64_t> positions;
};

// B3/S2-3 at weights 1 and 2 over 32 seeds on the genuine patch.
const GenuineCensus& genuineCensus(int32_t depth) {
    static std::map<int32_t, std::unique_ptr<GenuineCensus>> made;
    std::unique_ptr<GenuineCensus>& census = made[depth];
    if (!census) {
        CensusLists lists;
        lists.faceWeights = parseIntList("--face-weight", "1,2");
        lists.seeds = parseSeedList("--seed", "1-32");
        const CensusPlan plan(lists);
        census = std::make_unique<GenuineCensus>(
            GenuineCensus{testsupport::worldOf("Delta", depth, TilingKind::Spectre), {}, plan, {}});
        for (const int32_t weight : plan.weights()) {
            census->graphs.emplace(weight, std::make_shared<const StepGraph>(
                                               buildStepGraph(census->world.faces, weight)));
        }
        census->positions = plan.positionsIn(Shard{});
    }
    return *census;
}

// Argument 1: with objects (1) or without (0).
void BM_GenuineCensusObjects(benchmark::State& state) {
    const GenuineCensus& census = genuineCensus(static_cast<int32_t>(state.range(0)));
    const bool objects = state.range(1) != 0;
    uint64_t found = 0;
    for (auto _ : state) {
        ObjectCensus tally;
        CensusProgress progress;
        progress.objectsDone = [&tally](const CensusRow& row,
                                        const std::vector<ObjectSighting>& sightings) {
            tally.add(row, sightings);
        };
        benchmark::DoNotOptimize(runCensus(census.graphs, census.plan, census.positions, kMaxSteps,
                                           1, progress,
                                           objects ? &census.world.tiling.placements : nullptr));
        found = 0;
        for (const auto& [key, list] : tally.ranked()) {
            found += list.size();
        }
    }
    state.counters["distinct"] = static_cast<double>(found);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(census.positions.size()));
}

BENCHMARK(BM_GenuineCensusObjects)
    ->ArgNames({"depth", "objects"})
    ->Args({5, 0})
    ->Args({5, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Census)
    ->ArgNames({"depth", "jobs"})
    ->Args({4, 1})
    ->Args({4, 2})
    ->Args({5, 1})
    ->Args({5, 2})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SameStepsBare)->ArgName("depth")->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
