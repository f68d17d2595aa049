// Which runs a census makes and in what order: the rules, face weights, densities and seeds
// given as lists on the command line, each value converted and clamped as a single run's
// option is, and every combination of them in one fixed order. A run's position in that order
// names it, whatever the number of workers or the shard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "automaton/Rule.h"
#include "run/Options.h"

namespace quorvel {

// The values of a list option as written: "3", "1-4", "0,2,5-7" for the integer options
// (ranges inclusive, ascending), "0.2,0.42" for the density. Each value is read by the run
// options' own conversion; a malformed list throws
// "Invalid list for --name: \"text\" (reason)".
struct IntRange {
    int32_t first = 0;
    int32_t last = 0;
};
struct SeedRange {
    uint64_t first = 0;
    uint64_t last = 0;
};
std::vector<IntRange> parseIntList(const std::string& option, const std::string& text);
std::vector<SeedRange> parseSeedList(const std::string& option, const std::string& text);
std::vector<double> parseDensityList(const std::string& option, const std::string& text);

// "K/N" with 1 <= K <= N: the runs whose position is K - 1 modulo N. Anything else throws
// "Invalid --shard: \"text\" (expected K/N with 1 <= K <= N)".
struct Shard {
    uint64_t index = 1;
    uint64_t count = 1;
};
Shard parseShard(const std::string& text);

// A census of at most this many runs, so that the plan and the results fit in memory.
constexpr uint64_t kMaxCensusRuns = 10000000;

struct CensusRun {
    // The rule with its face weight.
    Rule rule;
    double density = 0.0;
    uint64_t seed = 0;
};

// The lists as given, before clamping; by default the one value a single run takes.
struct CensusLists {
    std::vector<IntRange> births{{kRunDefaults.birth, kRunDefaults.birth}};
    std::vector<IntRange> surviveMins{{kRunDefaults.surviveMin, kRunDefaults.surviveMin}};
    std::vector<IntRange> surviveMaxes{{kRunDefaults.surviveMax, kRunDefaults.surviveMax}};
    std::vector<IntRange> faceWeights{{kRunDefaults.faceWeight, kRunDefaults.faceWeight}};
    std::vector<double> densities{kRunDefaults.density};
    std::vector<SeedRange> seeds{{kRunDefaults.seed, kRunDefaults.seed}};
    // --rule's list, in place of the three range lists when not empty.
    std::vector<SumSets> ruleSets;
    // One of the three range lists was given (refused beside --rule).
    bool rangeListGiven = false;
};

// --rule's list: rules separated by ';', each "B<counts>/S<counts>" ("B2/S2-3;B3/S1,3").
// Throws "Invalid --rule: \"TEXT\" (reason)" naming the whole list.
std::vector<SumSets> parseRuleList(const std::string& option, const std::string& text);

// Every list is taken as a set: values are clamped as a single run clamps them, the survive
// bounds of each combination swapped as a single run swaps them, and what comes out equal is
// kept once. Runs are ordered by rule (birth, survive_min, survive_max; set rules by their
// counts, as ruleOrderLess orders them), then weight, density and seed, each ascending. Throws
// "Census too large: more than 10000000 runs".
class CensusPlan {
  public:
    explicit CensusPlan(const CensusLists& lists);

    uint64_t runCount() const { return runCount_; }
    // The face weights of the runs, ascending.
    const std::vector<int32_t>& weights() const { return weights_; }
    // The rules of the runs, in run order, at face weight 1.
    const std::vector<Rule>& rules() const { return rules_; }
    CensusRun runAt(uint64_t position) const;

    // Positions of the runs in `shard`, ascending.
    std::vector<uint64_t> positionsIn(const Shard& shard) const;

  private:
    // (birth, surviveMin, surviveMax); the face weight comes from weights_.
    std::vector<Rule> rules_;
    std::vector<int32_t> weights_;
    std::vector<double> densities_;
    std::vector<uint64_t> seeds_;
    uint64_t runCount_ = 0;
};

// A density as the summary line writes it, with two decimals.
std::string densityText(double density);

}  // namespace quorvel
