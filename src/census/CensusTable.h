// A census's results as rows: the CSV written for them, the summary lines over them, and the
// rows read back from CSV files, so that shards run apart can be summarised together.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "census/CensusPlan.h"
#include "census/CensusWorker.h"

namespace quorvel {

struct CensusRow {
    CensusRun run;
    RunResult result;
};

// "birth,survive_min,survive_max,weight,density,seed,outcome,period,from_step,steps_run,
// alive,peak_alive,max_age" without the line breaks.
extern const char* const kCensusCsvHeader;

// The header line, then one line per row in the order given.
void writeCensusCsv(std::ostream& out, const std::vector<CensusRow>& rows);

// One line per rule and weight that has rows, ascending by rule and then weight:
// "rule=B3/S2-3 weight=1 runs=16 extinct=2 still=9 oscillating=5 unsettled=0 periods=2,6
// mean_alive=12.50". `periods` lists the distinct periods of the oscillating runs, ascending,
// or is "none"; `mean_alive` is the mean of the rows' `alive`, with two decimals.
void writeRuleSummaries(std::ostream& out, std::vector<CensusRow> rows);

// The rows of a census CSV file. Throws "Unable to read " + path, "Not a census CSV: " + path
// (a header other than the census's), or "Malformed census row in PATH at line N".
std::vector<CensusRow> readCensusCsv(const std::string& path);

}  // namespace quorvel
