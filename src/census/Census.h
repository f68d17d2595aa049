// A census run on several threads: the world and its step graphs are built once and only read;
// each worker takes run positions from a shared counter until none are left.
// Results are stored by position, so they do not depend on the number of workers.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "census/CensusPlan.h"
#include "census/CensusTable.h"
#include "census/CensusWorker.h"
#include "census/ObjectCode.h"

namespace quorvel {

// Called on the calling thread, about every `interval` while the workers run and once when
// they are done, with the number of runs finished.
struct CensusProgress {
    std::function<void(uint64_t done)> report;
    double intervalSeconds = 0.25;
    // Called on the calling thread with each row, in the order of `positions`, as soon as it
    // and every row before it are done, so that rows can be saved as the census goes.
    std::function<void(const CensusRow& row)> rowDone;
    // When the census looks for objects: called right after rowDone with the objects of the
    // row's run, which are dropped then.
    std::function<void(const CensusRow& row, const std::vector<ObjectSighting>& objects)>
        objectsDone;
    // Asked by the workers before each run, from their own threads: once it says true no new
    // run starts, the runs under way finish, and only the rows before the first missing one
    // are returned.
    std::function<bool()> stopRequested;
};

// The rows of the runs at `positions`, in that order (a prefix of them when stopped). `jobs`
// is at least 1; no more workers start than there are runs. An error in a worker is rethrown
// here once all have stopped. With `objectPlacements` (the world's) every settled run is
// split into objects, handed to objectsDone.
std::vector<CensusRow> runCensus(const StepGraphs& graphs, const CensusPlan& plan,
                                 const std::vector<uint64_t>& positions, int32_t maxSteps,
                                 int32_t jobs, const CensusProgress& progress = {},
                                 const std::vector<Placement>* objectPlacements = nullptr);

}  // namespace quorvel
