// End-to-end checks of the built program: real process, real streams, real exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/BuiltPrograms.h"
#include "support/FileText.h"
#include "support/InProcessRun.h"
#include "support/TempDirTest.h"

namespace quorvel {
namespace {

using testsupport::programPath;
using testsupport::readFile;

using ProcessResult = testrun::RunResult;

// Both streams are captured in files of the test's own directory.
class Program : public testsupport::TempDirTest {
  protected:
    // `redirect` replaces the capture of standard output, e.g. "> /dev/full"; the result's
    // `out` is then empty.
    ProcessResult runProgram(const std::string& arguments, const std::string& redirect = "") {
        const std::string outPath = path("stdout");
        const std::string errPath = path("stderr");
        const std::string command = "'" + programPath() + "' " + arguments + " " +
                                    (redirect.empty() ? "> '" + outPath + "'" : redirect) +
                                    " 2> '" + errPath + "'";
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw)) << command;
        ProcessResult result{WEXITSTATUS(raw), "", readFile(errPath)};
        if (redirect.empty()) {
            result.out = readFile(outPath);
        }
        return result;
    }
};

TEST_F(Program, HelpPrintsOnlyTheUsage) {
    const ProcessResult result = runProgram("--root Foo --help");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, testrun::usageText());
    EXPECT_EQ(result.err, "");
}

TEST_F(Program, ParseErrorIsOneLineOnStandardError) {
    const ProcessResult result = runProgram("--steps 4 --depth");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "error: Missing value after --depth\n");
}

TEST_F(Program, DefaultRunWritesTheReportAndThePicture) {
    const std::string svgPath = path("picture.svg");
    const ProcessResult result = runProgram("--svg '" + svgPath + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> report = testsupport::splitLines(result.out);
    ASSERT_EQ(report.size(), 123u);
    EXPECT_EQ(report[0], "Quorvel");
    EXPECT_EQ(report[1], "tiles=559 depth=3 root=Delta rule=B3/S2-3 weight=1 density=0.42 seed=1");
    EXPECT_EQ(report[2], "step=1 alive=171 max_age=2");
    EXPECT_EQ(report[121], "step=120 alive=30 max_age=115");
    EXPECT_EQ(report[122], "svg=" + svgPath);
    const std::string svg = readFile(svgPath);
    EXPECT_EQ(
        svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 70.3923 69.7583\"", 0),
        0u);
    EXPECT_EQ(std::count(svg.begin(), svg.end(), '\n'), 559 + 3);
}

TEST_F(Program, RunsAreIdenticalByteForByte) {
    const std::string arguments = "--depth 4 --steps 40 --seed 7 --birth 2 --face-weight 2";
    const ProcessResult first = runProgram(arguments);
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(testsupport::splitLines(first.out).size(), 2u + 40u);
    EXPECT_EQ(runProgram(arguments).out, first.out);
}

TEST_F(Program, FullStandardOutputFailsTheRun) {
    for (const char* arguments : {"", "--help", "--steps 0"}) {
        const ProcessResult result = runProgram(arguments, "> /dev/full");
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.err, "error: Unable to write standard output\n") << arguments;
    }
}

}  // namespace
}  // namespace quorvel
