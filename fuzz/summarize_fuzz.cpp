// libFuzzer harness for quorvel-census --summarize: the input is the bytes of a CSV file,
// written to the harness's scratch directory and summarized. Whatever the bytes, the census
// prints summary lines with status 0 and nothing on stderr, or nothing on stdout and one
// "error: " line with status 1; it never crashes and never holds more than its tallies (run
// under -rss_limit_mb). A summary counts every line after the header as one run, and the
// fixture census's own CSV summarizes to its own summary lines (checked at start-up).
//
// A first line "@after-census" summarizes the file after the fixture census's CSV, so that
// rows of one census meet another's; "@twice" names the file twice, which must be refused.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "CensusFixture.h"
#include "FuzzHarness.h"
#include "census/CensusTable.h"
#include "support/ScratchDir.h"

namespace {

using namespace quorvel::fuzz;

std::string gFuzzCsv;
std::string gFixtureCsv;
uint64_t gFixtureRuns = 0;

// The rows a file must hold if it is summarized: every line after the first, the last one
// counted even without its '\n'.
uint64_t linesAfterHeader(const std::string& text) {
    const std::size_t headerEnd = text.find('\n');
    if (headerEnd == std::string::npos) {
        return 0;
    }
    uint64_t lines = 0;
    for (std::size_t i = headerEnd + 1; i < text.size(); ++i) {
        lines += text[i] == '\n' ? 1 : 0;
    }
    return lines + (text.back() == '\n' ? 0 : 1);
}

// The runs the summary lines count, or -1 if a line is not a summary line.
int64_t runsCounted(const std::string& out) {
    int64_t runs = 0;
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = out.find('\n', start);
        if (end == std::string::npos) {
            return -1;
        }
        const std::string line = out.substr(start, end - start);
        const std::size_t at = line.find(" runs=");
        if (line.rfind("rule=B", 0) != 0 || at == std::string::npos ||
            line.find(" mean_alive=") == std::string::npos) {
            return -1;
        }
        runs += std::stoll(line.substr(at + 6));
        start = end + 1;
    }
    return runs;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const quorvel::testsupport::ScratchDir scratch("quorvel-summarize-fuzz");
    gFuzzCsv = scratch.path("fuzzed.csv");
    gFixtureCsv = scratch.path("fixture.csv");
    const CensusFixture fixture(gFixtureCsv);
    gFixtureRuns = linesAfterHeader(fixture.csv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args = {"quorvel-census", "--summarize"};
    uint64_t expectedRuns = 0;
    bool twice = false;
    if (text.rfind("@after-census\n", 0) == 0) {
        text.erase(0, 14);
        args.push_back(gFixtureCsv);
        expectedRuns = gFixtureRuns;
    } else if (text.rfind("@twice\n", 0) == 0) {
        text.erase(0, 7);
        args.push_back(gFuzzCsv);
        twice = true;
    }
    args.push_back(gFuzzCsv);
    {
        std::ofstream file(gFuzzCsv, std::ios::binary | std::ios::trunc);
        file << text;
        check(static_cast<bool>(file.flush()), "unable to write the fuzzed file", gFuzzCsv);
    }
    expectedRuns += linesAfterHeader(text);

    const ProgramOutcome outcome = runCensus(args);
    const std::string context =
        joined(args) + "\n--- out:\n" + outcome.out + "--- err:\n" + outcome.err;
    check(outcome.status == 0 || outcome.status == 1, "exit status neither 0 nor 1", context);
    if (outcome.status == 1) {
        check(outcome.out.empty(), "output before an error of --summarize", context);
        check(outcome.err.rfind("error: ", 0) == 0 &&
                  outcome.err.find('\n') == outcome.err.size() - 1,
              "an error is not one \"error: \" line", context);
        // A file that is sound alone is refused for being there twice.
        check(!twice || runCensus({"quorvel-census", "--summarize", gFuzzCsv}).status == 1 ||
                  outcome.err ==
                      "error: Same file given twice: " + gFuzzCsv + " and " + gFuzzCsv + "\n",
              "the same file twice not refused as such", context);
        return 0;
    }
    check(!twice, "the same file given twice was summarized", context);
    check(outcome.err.empty(), "a summary that succeeded wrote on stderr", context);
    const int64_t runs = runsCounted(outcome.out);
    check(runs >= 0, "--summarize printed other than summary lines", context);
    check(static_cast<uint64_t>(runs) == expectedRuns, "the summary does not count one run per row",
          context + "--- expected runs: " + std::to_string(expectedRuns));
    return 0;
}
