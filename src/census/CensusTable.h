// A census's results as rows: the CSV written for them, one row at a time as runs finish, the
// summary lines over them, and the rows read back from CSV files, one at a time and checked,
// so that shards run apart (or a census interrupted and resumed) can be summarised together.
//
// Every row also carries the census it belongs to (world, step limit, size, shard, version) as
// constant columns: the file stays a plain table that pandas or R load with no options, and a
// reader can refuse to merge rows of different censuses.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "census/CensusPlan.h"
#include "census/CensusWorker.h"

namespace quorvel {

// What makes two CSV files rows of one census.
struct CensusIdentity {
    int32_t depth = 0;
    std::string root;
    std::string tiling;
    // "face" or "vertex".
    std::string neighbourhood = "face";
    int32_t stepLimit = 0;
    // Runs of the whole census, all shards together.
    uint64_t runCount = 0;
    Shard shard;
    std::string version;
};

bool operator==(const CensusIdentity& a, const CensusIdentity& b);
// "depth=3 root=Delta tiling=quorvel step_limit=1000 census_runs=16 shard=1/1 version=1.2.0",
// with " neighbourhood=vertex" after the tiling for the vertex neighbourhood.
std::string describeCensus(const CensusIdentity& identity);

struct CensusRow {
    CensusRun run;
    RunResult result;
    // The run's position in the census's order.
    uint64_t position = 0;
};

// "birth,survive_min,survive_max,weight,density,seed,outcome,period,from_step,steps_run,
// alive,peak_alive,max_age,position,depth,root,tiling,step_limit,census_runs,shard,version,
// neighbourhood,rule" without the line breaks. `rule` is the rule's text as the summary line
// writes it, in double quotes when it holds a comma ("B2,5/S1,3-4"); a set rule leaves birth,
// survive_min and survive_max empty (NA to pandas and R), a range rule fills them.
extern const char* const kCensusCsvHeader;

// No census row is longer; a longer line is refused as soon as it is seen.
constexpr std::size_t kMaxCensusLineBytes = 512;

void writeCensusCsvHeader(std::ostream& out);
void writeCensusCsvRow(std::ostream& out, const CensusRow& row, const CensusIdentity& identity);

// The tallies of the summary lines, kept per rule and weight: memory grows with the number of
// rules and weights, not with the rows.
class RuleSummaries {
  public:
    void add(const CensusRow& row);
    uint64_t rowCount() const { return rowCount_; }
    // One line per rule and weight that has rows, ascending by rule and then weight:
    // "rule=B3/S2-3 weight=1 runs=16 extinct=2 still=9 oscillating=5 unsettled=0 periods=2,6
    // mean_alive=12.50". `periods` lists the distinct periods of the oscillating runs,
    // ascending, or is "none"; `mean_alive` is the mean of the rows' `alive`, two decimals.
    void write(std::ostream& out) const;

  private:
    struct Tally {
        uint64_t runs = 0;
        uint64_t outcomes[4] = {0, 0, 0, 0};
        std::set<int32_t> periods;
        int64_t aliveSum = 0;
    };
    std::map<Rule, Tally, RuleAndWeightLess> tallies_;
    uint64_t rowCount_ = 0;
};

void writeRuleSummaries(std::ostream& out, const std::vector<CensusRow>& rows);

// Reads a census CSV row by row. A leading byte-order mark and CRLF line ends are taken as
// the spreadsheets that add them mean them. Throws "Unable to read PATH" (also for a
// directory), "Not a census CSV: PATH" (another header), "Line too long in PATH at line N",
// "Malformed census row in PATH at line N (reason)" for a row that cannot be right (a
// field out of range, an outcome that does not fit its period, positions out of order or
// outside the shard), and "Mixed censuses in PATH at line N" for a row of another census.
class CensusCsvReader {
  public:
    explicit CensusCsvReader(const std::string& path);

    // The next row, or false at the end of the file.
    bool next(CensusRow& row);
    // The census of the rows read; meaningful once a row was read.
    const CensusIdentity& identity() const { return identity_; }
    int64_t lineNumber() const { return lineNumber_; }

  private:
    [[noreturn]] void malformed(const std::string& reason) const;
    bool readLine(std::string& line);

    std::string path_;
    std::ifstream file_;
    // The line read last.
    int64_t lineNumber_ = 0;
    bool haveRow_ = false;
    uint64_t lastPosition_ = 0;
    CensusIdentity identity_;
};

}  // namespace quorvel
