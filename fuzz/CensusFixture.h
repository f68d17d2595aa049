// A small real census, made once when a harness starts: its CSV as quorvel-census wrote it
// and the summary lines it printed, the facts a --summarize of that file must give back.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "FuzzHarness.h"
#include "census/CensusDriver.h"
#include "support/FileText.h"

namespace quorvel::fuzz {

struct ProgramOutcome {
    int status;
    std::string out;
    std::string err;
};

inline ProgramOutcome runCensus(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = runQuorvelCensus(args, out, err);
    return {status, out.str(), err.str()};
}

// The lines of a census's report that --summarize prints again.
inline std::string ruleLines(const std::string& report) {
    std::string lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("rule=", 0) == 0) {
            lines += line + "\n";
        }
    }
    return lines;
}

struct CensusFixture {
    // The census's own arguments after the program's name: depth 1, two rules, three seeds.
    static std::vector<std::string> arguments() {
        return {"--depth", "1", "--birth", "2-3", "--seed", "1-3", "--steps", "30"};
    }

    // Runs the census with its CSV at `csvPath`; aborts unless it succeeds and --summarize of
    // its CSV prints its own summary lines.
    explicit CensusFixture(const std::string& csvPath) : csvPath(csvPath) {
        std::vector<std::string> args = {"quorvel-census"};
        const std::vector<std::string> own = arguments();
        args.insert(args.end(), own.begin(), own.end());
        args.insert(args.end(), {"--csv", csvPath});
        const ProgramOutcome census = runCensus(args);
        check(census.status == 0 && census.err.empty(), "the fixture census failed", census.err);
        summary = ruleLines(census.out);
        check(!summary.empty(), "the fixture census has no summary lines", census.out);
        const ProgramOutcome summarized = runCensus({"quorvel-census", "--summarize", csvPath});
        check(summarized.status == 0 && summarized.err.empty() && summarized.out == summary,
              "--summarize of a census's own CSV differs from its summary",
              "--- census:\n" + summary + "--- summarize:\n" + summarized.out + summarized.err);
        csv = testsupport::readFile(csvPath);
    }

    std::string csvPath;
    std::string csv;
    std::string summary;
};

}  // namespace quorvel::fuzz
