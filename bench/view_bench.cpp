// The viewer's work after the run: the period search and writing the page, for the run the
// page is sized for (depth 5, 10000 steps), recorded once.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "support/RecordedRun.h"
#include "support/ScratchDir.h"
#include "view/PageWriter.h"
#include "view/Period.h"

namespace quorvel {
namespace {

const testsupport::RecordedRun& depthFiveRun() {
    static const testsupport::RecordedRun run = [] {
        Options options;
        options.depth = 5;
        options.steps = 10000;
        return testsupport::recordRun(options);
    }();
    return run;
}

void BM_DetectPeriod(benchmark::State& state) {
    const testsupport::RecordedRun& run = depthFiveRun();
    for (auto _ : state) {
        benchmark::DoNotOptimize(detectPeriod(run.record));
    }
}
BENCHMARK(BM_DetectPeriod)->Unit(benchmark::kMillisecond);

void BM_WriteViewerPage(benchmark::State& state) {
    const testsupport::RecordedRun& run = depthFiveRun();
    const Period period = detectPeriod(run.record);
    const testsupport::ScratchDir scratch("quorvel-view-bench");
    const std::string path = scratch.path("page.html");
    for (auto _ : state) {
        writeViewerPage(run.tiling, run.record, period, "summary", path);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_WriteViewerPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
