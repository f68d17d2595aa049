// quorvel-census: many runs of the automaton on one world, over lists of rules, weights,
// densities and seeds; each run classified, one CSV row per run and one summary line per rule
// and weight. --summarize reads such CSV files (shards run apart) and prints their summary.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "census/CensusPlan.h"
#include "run/Options.h"
#include "tiling/Patch.h"

namespace quorvel {

constexpr const char* kDefaultCensusCsvPath = "census.csv";
constexpr int32_t kDefaultCensusSteps = 1000;

// quorvel-census's command line.
struct CensusSettings {
    // depth, root and steps; the rule fields come from the lists. The depth is clamped to 0..8
    // for the Spectre patch, 0..5 for quorvel's.
    Options run = censusRunDefaults();
    CensusLists lists;
    std::string tiling = tilingName(TilingKind::Quorvel);
    // 1..the hardware threads.
    int32_t jobs = 1;
    std::string csvPath = kDefaultCensusCsvPath;
    Shard shard;
    bool sharded = false;
    // Go on from the partial CSV at csvPath, of this same census.
    bool resume = false;
    bool helpRequested = false;
    // The objects the runs settle into, one CSV row per distinct object and rule (empty for
    // none); with --summarize, where the object files given are merged to.
    std::string objectsPath;
    // A picture of the most common objects of each rule (empty for none).
    std::string galleryPath;
    bool summarizeRequested = false;
    std::vector<std::string> summarizePaths;

    static Options censusRunDefaults() {
        Options run;
        run.steps = kDefaultCensusSteps;
        return run;
    }
};

// As quorvel reads its options, --summarize taking every argument after it; the root, then
// the tiling name, checked once all are read. A conversion error names its option.
CensusSettings parseCensusOptions(const std::vector<std::string>& args);

void printCensusUsage(std::ostream& out);

// args[0] is the program's name. Progress is drawn on `err` only when `errIsTerminal`.
// Returns the exit status.
int runQuorvelCensus(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool errIsTerminal = false);

}  // namespace quorvel
