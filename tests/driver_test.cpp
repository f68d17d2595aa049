#include "cli/Driver.h"
#include "run/RunPipeline.h"

#include <gtest/gtest.h>

#include <sstream>

#include "run/Report.h"
#include "support/CappedBuffer.h"
#include "support/FileText.h"
#include "support/InProcessRun.h"

namespace quorvel {
namespace {

using testrun::RunResult;
using testrun::usageText;
using testsupport::splitLines;

RunResult run(const std::vector<std::string>& options) {
    return testrun::runQuorvelWith(options);
}

const char* const kDefaultSummary =
    "tiles=559 depth=3 root=Delta rule=B3/S2-3 weight=1 density=0.42 seed=1\n";

struct DriverCase {
    std::vector<std::string> args;
    std::string out;
    std::string err;
    int status;
};

TEST(RunQuorvel, StreamsAndStatusForEachArgumentList) {
    const std::string usage = usageText();
    const std::vector<DriverCase> cases = {
        {{"--steps", "0"}, std::string("Quorvel\n") + kDefaultSummary, "", 0},
        {{"--steps", "0", "--face-weight", "0"},
         "Quorvel\ntiles=559 depth=3 root=Delta rule=B3/S2-3 weight=1 density=0.42 seed=1\n",
         "",
         0},
        {{"--steps", "0", "--survive-min", "5", "--survive-max", "1"},
         "Quorvel\ntiles=559 depth=3 root=Delta rule=B3/S1-5 weight=1 density=0.42 seed=1\n",
         "",
         0},
        {{"--steps", "0", "--depth", "7", "--root", "Psi"},
         "Quorvel\ntiles=34649 depth=5 root=Psi rule=B3/S2-3 weight=1 density=0.42 seed=1\n",
         "",
         0},
        {{"--steps", "0", "--density", "0.5", "--face-weight", "4"},
         "Quorvel\ntiles=559 depth=3 root=Delta rule=B3/S2-3 weight=4 density=0.50 seed=1\n",
         "",
         0},
        {{"--steps", "0", "--density", "1"},
         "Quorvel\ntiles=559 depth=3 root=Delta rule=B3/S2-3 weight=1 density=1.00 seed=1\n",
         "",
         0},
        {{"--steps", "0", "--seed", "-1", "--depth", "1"},
         "Quorvel\ntiles=9 depth=1 root=Delta rule=B3/S2-3 weight=1 density=0.42 "
         "seed=18446744073709551615\n",
         "",
         0},
        {{"--root", "Gamma", "--depth", "0", "--steps", "1"},
         "Quorvel\ntiles=2 depth=0 root=Gamma rule=B3/S2-3 weight=1 density=0.42 seed=1\n"
         "step=1 alive=0 max_age=0\n",
         "",
         0},
        // A lone tile has no live faces: it dies at once, survives with surviveMin 0, and with
        // birth 0 a dead one is born.
        {{"--depth", "0", "--density", "1", "--steps", "1"},
         "Quorvel\ntiles=1 depth=0 root=Delta rule=B3/S2-3 weight=1 density=1.00 seed=1\n"
         "step=1 alive=0 max_age=0\n",
         "",
         0},
        {{"--depth", "0", "--density", "1", "--survive-min", "0", "--steps", "3"},
         "Quorvel\ntiles=1 depth=0 root=Delta rule=B3/S0-3 weight=1 density=1.00 seed=1\n"
         "step=1 alive=1 max_age=2\nstep=2 alive=1 max_age=3\nstep=3 alive=1 max_age=4\n",
         "",
         0},
        {{"--depth", "0", "--density", "0", "--birth", "0", "--steps", "2"},
         "Quorvel\ntiles=1 depth=0 root=Delta rule=B0/S2-3 weight=1 density=0.00 seed=1\n"
         "step=1 alive=1 max_age=1\nstep=2 alive=0 max_age=0\n",
         "",
         0},
        {{"--help"}, usage, "", 0},
        {{"--root", "Foo", "--help"}, usage, "", 0},
        {{"--steps", "3", "--help", "--bogus"}, usage, "", 0},
        {{"--depth"}, "", "error: Missing value after --depth\n", 1},
        {{"--bogus", "--help"}, "", "error: Unknown argument: --bogus\n", 1},
        {{"--depth", "x", "--bogus"}, "", "error: invalid stoi argument\n", 1},
        {{"--density", "1e999"}, "", "error: stod argument out of range\n", 1},
        {{"--seed", "99999999999999999999"}, "", "error: stoull argument out of range\n", 1},
        {{"--root", "delta"}, "", "error: Unsupported root tile: delta\n", 1},
        // quorvel's messages are exactly as specified, raw bytes and all.
        {{"--root", "Delta\n"}, "", "error: Unsupported root tile: Delta\n\n", 1},
    };
    for (const DriverCase& c : cases) {
        const RunResult result = run(c.args);
        const std::string where = ::testing::PrintToString(c.args);
        EXPECT_EQ(result.out, c.out) << where;
        EXPECT_EQ(result.err, c.err) << where;
        EXPECT_EQ(result.status, c.status) << where;
    }
}

TEST(RunQuorvel, DefaultRunReportsEveryStep) {
    const RunResult result = run({});
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 2u + 120u);
    EXPECT_EQ(lines[0], "Quorvel");
    EXPECT_EQ(lines[1] + "\n", kDefaultSummary);
    for (std::size_t i = 1; i <= 120; ++i) {
        EXPECT_EQ(lines[1 + i].rfind("step=" + std::to_string(i) + " alive=", 0), 0u)
            << lines[1 + i];
    }
    EXPECT_EQ(lines[2], "step=1 alive=171 max_age=2");
    EXPECT_EQ(lines[6], "step=5 alive=135 max_age=6");
    EXPECT_EQ(lines[121], "step=120 alive=30 max_age=115");
}

TEST(RunQuorvel, DensityZeroStaysEmptyUnlessBirthIsZero) {
    for (const std::string& line : splitLines(run({"--density", "0", "--steps", "30"}).out)) {
        if (line.rfind("step=", 0) == 0) {
            EXPECT_NE(line.find(" alive=0 max_age=0"), std::string::npos) << line;
        }
    }
    const std::vector<std::string> bornAll =
        splitLines(run({"--density", "0", "--birth", "0", "--steps", "1"}).out);
    EXPECT_EQ(bornAll.back(), "step=1 alive=559 max_age=1");
}

TEST(RunQuorvel, LostStandardOutputIsAnError) {
    struct FullCase {
        std::vector<std::string> args;
        std::size_t capacity;
    };
    const std::vector<FullCase> cases = {
        {{"quorvel"}, 0},           {{"quorvel"}, 100},           {{"quorvel"}, 2000},
        {{"quorvel", "--help"}, 0}, {{"quorvel", "--help"}, 100},
    };
    for (const FullCase& c : cases) {
        testsupport::CappedBuffer full(c.capacity);
        std::ostream out(&full);
        std::ostringstream err;
        const std::string where =
            ::testing::PrintToString(c.args) + " " + std::to_string(c.capacity);
        EXPECT_EQ(runQuorvel(c.args, out, err), 1) << where;
        EXPECT_EQ(err.str(), "error: Unable to write standard output\n") << where;
        EXPECT_EQ(full.text().size(), c.capacity) << where;
    }
}

TEST(RunQuorvel, ErrorLineComesAfterTheFlushedReport) {
    // Standard output is flushed before the error line, so a shared terminal shows them in order.
    std::stringstream shared;
    std::vector<std::string> args = {"quorvel", "--steps", "2", "--svg", "/nonexistent-dir/x.svg"};
    EXPECT_EQ(runQuorvel(args, shared, shared), 1);
    const std::vector<std::string> lines = splitLines(shared.str());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "step=2 alive=147 max_age=3");
    EXPECT_EQ(lines[4], "error: Unable to write SVG: /nonexistent-dir/x.svg");
}

TEST(Report, NumbersAreWrittenInTheirFullRange) {
    std::ostringstream out;
    writeStepLine(out, 2147483647, 2147483647, 4294967295u);
    EXPECT_EQ(out.str(), "step=2147483647 alive=2147483647 max_age=4294967295\n");
}

TEST(Run, DefaultRunStartsFromTheDefaultWorldAndPopulation) {
    const quorvel::Run run(Options{}, RunSetup{});
    ASSERT_EQ(run.world().tiling.size(), 559u);
    EXPECT_EQ(run.world().faces.tileCount(), 559u);
    const Automaton& automaton = run.automaton();
    std::size_t alive = 0;
    for (std::size_t tile = 0; tile < 559; ++tile) {
        alive += automaton.alive(tile) ? 1 : 0;
        EXPECT_EQ(automaton.age(tile), automaton.alive(tile) ? 1u : 0u);
    }
    EXPECT_EQ(alive, 248u);
    EXPECT_EQ(automaton.liveCount(), 248);
    EXPECT_EQ(run.record(), nullptr);
}

}  // namespace
}  // namespace quorvel
