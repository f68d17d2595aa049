// quorvel-census: many runs of the automaton on one world, over lists of rules, weights,
// densities and seeds; each run classified, one CSV row per run and one summary line per rule
// and weight. --summarize reads such CSV files (shards run apart) and prints their summary.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorvel {

constexpr const char* kDefaultCensusCsvPath = "census.csv";

void printCensusUsage(std::ostream& out);

// args[0] is the program's name. Progress is drawn on `err` only when `errIsTerminal`.
// Returns the exit status.
int runQuorvelCensus(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool errIsTerminal = false);

}  // namespace quorvel
