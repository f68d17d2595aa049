// Identical options give identical output, byte for byte, whatever compiler and flags built
// the program: whole runs of both programs (depth 5 on both patches, depths 6 and 7 on the
// genuine one), hashed and compared with constants recorded once. CI runs this with a second
// compiler too.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Driver.h"
#include "support/FileText.h"
#include "support/Fnv1a.h"
#include "support/InProcessRun.h"
#include "support/TempDirTest.h"
#include "view/ViewDriver.h"

namespace quorvel {
namespace {

using testsupport::fnv1a64;

struct OutputHashes {
    uint64_t report;
    uint64_t picture;
    uint64_t page;  // 0 for quorvel, which writes none

    bool operator==(const OutputHashes& other) const {
        return report == other.report && picture == other.picture && page == other.page;
    }
};

// Which files a run writes beside its report: at depths 6 and 7 the picture alone would be
// tens of megabytes, and a page at depth 7 (some 45 MB) is left out to keep the test short.
enum class Files { PictureAndPage, Page, None };

struct DeterminismRun {
    const char* program;  // "quorvel" or "quorvel-view"
    const char* options;  // separated by single spaces; --svg and --html are added
    OutputHashes hashes;
    Files files = Files::PictureAndPage;
};

// One line a run. After a deliberate change of the output, paste the table the failing test
// prints over this one. The depth-6 and depth-7 rows were recorded from the program as it was
// before its world was split, with its depth limit lifted: the split changed no byte there.
const DeterminismRun kRuns[] = {
    // clang-format off
    {"quorvel", "--depth 5 --steps 30", {0x79d530aa19bf179f, 0xe93e147d769a2ad9, 0x0000000000000000}},
    {"quorvel", "--depth 5 --root Gamma --birth 2 --survive-min 1 --survive-max 4 --face-weight 2 --density 0.3 --seed 7 --steps 40", {0xac8e8ba526e6354c, 0x9b5f500806ecb276, 0x0000000000000000}},
    {"quorvel-view", "--depth 5 --steps 200", {0x753ef446455c6114, 0xcdca0daaa83309c1, 0xb41bdd3114df5458}},
    {"quorvel-view", "--depth 5 --root Psi --birth 4 --survive-max 5 --face-weight 3 --seed 99 --steps 60", {0x834cfdd68f8917c5, 0x6659bfda1ca11967, 0xdf9d236de015fc1f}},
    {"quorvel-view", "--depth 5 --root Gamma --birth 0 --survive-min 0 --face-weight 6 --density 0.05 --seed 18446744073709551615 --steps 25", {0x11b75fb004846664, 0xb5c6e0dc71a44340, 0xa9079c1d1086b09e}},
    {"quorvel-view", "--tiling spectre --depth 5 --steps 100", {0x5ab7a27e46dab87a, 0xb7d3735c5bc7754b, 0x325ea39944f0ce1a}},
    {"quorvel-view", "--tiling spectre --depth 5 --root Gamma --birth 2 --survive-min 2 --survive-max 3 --face-weight 2 --seed 5 --steps 60", {0xc11dbe6706727b35, 0x3cbee42beeb1a811, 0xdf14f4a9a385980f}},
    {"quorvel-view", "--tiling spectre --depth 6 --birth 2 --steps 80", {0x822e4a9df0faf643, 0x0000000000000000, 0x2fcbb01d0ef95fe2}, Files::Page},
    {"quorvel-view", "--tiling spectre --depth 7 --root Gamma --birth 2 --face-weight 2 --seed 3 --steps 40", {0x551c4c28ff0b4d5c, 0x0000000000000000, 0x0000000000000000}, Files::None},
    // clang-format on
};

std::vector<std::string> splitOptions(const std::string& options) {
    std::vector<std::string> words;
    std::istringstream in(options);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// The row of kRuns as it reads with these hashes, marked when they are not the recorded ones.
std::string tableRow(const DeterminismRun& run, const OutputHashes& hashes) {
    char row[512];
    std::snprintf(row, sizeof row,
                  "    {\"%s\", \"%s\", {0x%016" PRIx64 ", 0x%016" PRIx64 ", 0x%016" PRIx64
                  "}%s},%s\n",
                  run.program, run.options, hashes.report, hashes.picture, hashes.page,
                  run.files == Files::Page   ? ", Files::Page"
                  : run.files == Files::None ? ", Files::None"
                                             : "",
                  hashes == run.hashes ? "" : "  // differs");
    return row;
}

class Determinism : public testsupport::TempDirTest {
  protected:
    // The run in process, its file paths taken out of the report so that the hash is the
    // same in every directory.
    OutputHashes hashesOf(const DeterminismRun& run) {
        const bool viewer = std::string(run.program) == "quorvel-view";
        std::vector<std::string> args = splitOptions(run.options);
        args.insert(args.begin(), run.program);
        const bool picture = run.files == Files::PictureAndPage;
        const bool page = viewer && run.files != Files::None;
        if (picture) {
            args.insert(args.end(), {"--svg", path("picture.svg")});
        }
        if (viewer) {
            args.insert(args.end(), {"--html", page ? path("page.html") : ""});
        }
        const testrun::RunResult result =
            testrun::runInProcess(args, viewer ? runQuorvelView : runQuorvel);
        EXPECT_EQ(result.status, 0) << run.options;
        EXPECT_EQ(result.err, "") << run.options;
        std::string report = result.out;
        const std::string dirPrefix = dir().string() + "/";
        for (std::size_t at = report.find(dirPrefix); at != std::string::npos;
             at = report.find(dirPrefix, at)) {
            report.erase(at, dirPrefix.size());
        }
        return {fnv1a64(report), picture ? fnv1a64(testsupport::readFile(path("picture.svg"))) : 0,
                page ? fnv1a64(testsupport::readFile(path("page.html"))) : 0};
    }
};

TEST(Fnv1a64, MatchesThePublishedValues) {
    EXPECT_EQ(fnv1a64(""), 0xcbf29ce484222325ULL);
    EXPECT_EQ(fnv1a64("a"), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(fnv1a64("foobar"), 0x85944171f73967e8ULL);
    EXPECT_EQ(fnv1a64(std::string("\xff\x00", 2)), 0x0a99a607b6f60beaULL);
}

TEST_F(Determinism, RunsHashAsRecorded) {
    std::string actual;
    bool allMatch = true;
    for (const DeterminismRun& run : kRuns) {
        const OutputHashes hashes = hashesOf(run);
        actual += tableRow(run, hashes);
        allMatch = allMatch && hashes == run.hashes;
    }
    EXPECT_TRUE(allMatch) << "Output differs from the recorded hashes. If the change is "
                             "deliberate, record these rows in kRuns:\n"
                          << actual;
}

}  // namespace
}  // namespace quorvel
