// The viewer's work after the run: the period search and writing the page, for the run the
// page is sized for (depth 5, 10000 steps), recorded once.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "automaton/Automaton.h"
#include "cli/Driver.h"
#include "view/PageWriter.h"
#include "view/Period.h"
#include "view/RunRecord.h"

namespace quorvel {
namespace {

struct RecordedRun {
    Tiling tiling;
    std::unique_ptr<RunRecord> record;
};

const RecordedRun& depthFiveRun() {
    static const RecordedRun run = [] {
        Options options;
        options.depth = 5;
        options.steps = 10000;
        RecordedRun recorded{buildWorld(options), nullptr};
        recorded.record = std::make_unique<RunRecord>(recorded.tiling);
        Automaton automaton(recorded.tiling, Rule{});
        for (int32_t step = 0; step < options.steps; ++step) {
            automaton.step();
            recorded.record->addStep(automaton.changedTiles());
        }
        return recorded;
    }();
    return run;
}

void BM_DetectPeriod(benchmark::State& state) {
    const RecordedRun& run = depthFiveRun();
    for (auto _ : state) {
        benchmark::DoNotOptimize(detectPeriod(*run.record));
    }
}
BENCHMARK(BM_DetectPeriod)->Unit(benchmark::kMillisecond);

void BM_WriteViewerPage(benchmark::State& state) {
    const RecordedRun& run = depthFiveRun();
    const Period period = detectPeriod(*run.record);
    const std::string path =
        (std::filesystem::temp_directory_path() / "quorvel-view-bench.html").string();
    for (auto _ : state) {
        writeViewerPage(run.tiling, *run.record, period, "summary", path);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteViewerPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
