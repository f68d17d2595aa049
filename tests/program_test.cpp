// End-to-end checks of the built program: real process, real streams, real exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/Options.h"

namespace quorvel {
namespace {

struct ProcessResult {
    int status;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string programPath() {
    const char* path = std::getenv("QUORVEL_BIN");
    return path != nullptr ? path : "./quorvel";
}

// `redirect` replaces the capture of standard output, e.g. "> /dev/full".
ProcessResult runProgram(const std::string& arguments, const std::string& redirect = "") {
    const std::string outPath = ::testing::TempDir() + "program_test.out";
    const std::string errPath = ::testing::TempDir() + "program_test.err";
    const std::string command = "'" + programPath() + "' " + arguments + " " +
                                (redirect.empty() ? "> '" + outPath + "'" : redirect) + " 2> '" +
                                errPath + "'";
    std::remove(outPath.c_str());
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw)) << command;
    return {WEXITSTATUS(raw), readFile(outPath), readFile(errPath)};
}

TEST(Program, HelpPrintsOnlyTheUsage) {
    std::ostringstream usage;
    printUsage(usage);
    const ProcessResult result = runProgram("--root Foo --help");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, usage.str());
    EXPECT_EQ(result.err, "");
}

TEST(Program, ParseErrorIsOneLineOnStandardError) {
    const ProcessResult result = runProgram("--steps 4 --depth");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "error: Missing value after --depth\n");
}

TEST(Program, DefaultRunWritesTheReportAndThePicture) {
    const std::string svgPath = ::testing::TempDir() + "program_test.svg";
    std::remove(svgPath.c_str());
    const ProcessResult result = runProgram("--svg '" + svgPath + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    std::istringstream lines(result.out);
    std::vector<std::string> report;
    for (std::string line; std::getline(lines, line);) {
        report.push_back(line);
    }
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

TEST(Program, RunsAreIdenticalByteForByte) {
    const std::string arguments = "--depth 4 --steps 40 --seed 7 --birth 2 --face-weight 2";
    EXPECT_EQ(runProgram(arguments).out, runProgram(arguments).out);
}

TEST(Program, FullStandardOutputFailsTheRun) {
    for (const char* arguments : {"", "--help", "--steps 0"}) {
        const ProcessResult result = runProgram(arguments, "> /dev/full");
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.err, "error: Unable to write standard output\n") << arguments;
    }
}

}  // namespace
}  // namespace quorvel
