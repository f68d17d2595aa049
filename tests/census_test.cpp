#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "automaton/Automaton.h"
#include "automaton/Population.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "census/CensusDriver.h"
#include "census/CensusPlan.h"
#include "census/CensusWorker.h"
#include "cli/Version.h"
#include "run/HardwareThreads.h"
#include "run/RunPipeline.h"
#include "run/RunRecord.h"
#include "run/World.h"
#include "support/BuiltPrograms.h"
#include "support/FileText.h"
#include "support/InProcessRun.h"
#include "support/TempDirTest.h"
#include "support/TestWorlds.h"
#include "view/ViewDriver.h"

namespace quorvel {
namespace {

using testrun::RunResult;
using testsupport::readFile;
using testsupport::splitLines;

RunResult runCensusArgs(std::vector<std::string> args, bool errIsTerminal = false) {
    args.insert(args.begin(), "quorvel-census");
    std::ostringstream out;
    std::ostringstream err;
    const int status = runQuorvelCensus(args, out, err, errIsTerminal);
    return {status, out.str(), err.str()};
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::stringstream stream(text);
    std::string field;
    while (std::getline(stream, field, separator)) {
        fields.push_back(field);
    }
    return fields;
}

// One column of every run of a census planned from these lists, in run order.
std::vector<std::string> plannedColumn(const CensusLists& lists, int column) {
    const CensusPlan plan(lists);
    std::set<std::string> seen;
    std::vector<std::string> values;
    for (uint64_t position = 0; position < plan.runCount(); ++position) {
        const CensusRun run = plan.runAt(position);
        const std::string fields[] = {std::to_string(run.rule.birth),
                                      std::to_string(run.rule.surviveMin),
                                      std::to_string(run.rule.surviveMax),
                                      std::to_string(run.rule.faceWeight),
                                      densityText(run.density),
                                      std::to_string(run.seed)};
        if (seen.insert(fields[column]).second) {
            values.push_back(fields[column]);
        }
    }
    return values;
}

// Each list option alone: the values its runs take (distinct, in run order), or the error
// line of the whole program, which then writes nothing on standard output.
TEST(CensusLists, SyntaxConversionAndClamps) {
    struct Case {
        std::string option;
        std::string text;
        std::vector<std::string> values;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"--birth", "3", {"3"}, ""},
        {"--birth", "1-4", {"1", "2", "3", "4"}, ""},
        {"--birth", "0,2,5-7", {"0", "2", "5", "6", "7"}, ""},
        // A set: order and repeats do not matter.
        {"--birth", "7,2-3,2", {"2", "3", "7"}, ""},
        // Clamped as a single run's value is; a leading minus is the value's sign.
        {"--birth", "-3-1", {"0", "1"}, ""},
        {"--birth", "12-2000000000", {"12", "13", "14"}, ""},
        {"--birth", "-5--2", {"0"}, ""},
        // The whole text must be the list: nothing after a number, no other base, no third end.
        {"--birth", "4x", {}, "error: Invalid list for --birth: \"4x\" (not a number: \"4x\")\n"},
        {"--birth",
         "1-3-5",
         {},
         "error: Invalid list for --birth: \"1-3-5\" (not a number: \"3-5\")\n"},
        {"--birth",
         "0x1-0x3",
         {},
         "error: Invalid list for --birth: \"0x1-0x3\" (not a number: \"0x1\")\n"},
        {"--seed",
         "2\n",
         {},
         "error: Invalid list for --seed: \"2\\n\" (not a number: \"2\\n\")\n"},
        {"--birth", " 3", {}, "error: Invalid list for --birth: \" 3\" (not a number: \" 3\")\n"},
        {"--density",
         "0.1-0.5",
         {},
         "error: Invalid list for --density: \"0.1-0.5\" (not a number: \"0.1-0.5\")\n"},
        {"--face-weight", "0-9", {"1", "2", "3", "4", "5", "6"}, ""},
        {"--seed", "5,1-3", {"1", "2", "3", "5"}, ""},
        {"--seed",
         "18446744073709551614-18446744073709551615",
         {"18446744073709551614", "18446744073709551615"},
         ""},
        {"--density", "0.42,2,-1,0.2,nan", {"0.00", "0.20", "0.42", "1.00"}, ""},
        {"--birth", "3,,4", {}, "error: Invalid list for --birth: \"3,,4\" (empty item)\n"},
        {"--birth", "", {}, "error: Invalid list for --birth: \"\" (empty item)\n"},
        {"--survive-min", "2,", {}, "error: Invalid list for --survive-min: \"2,\" (empty item)\n"},
        {"--survive-max",
         "5-3",
         {},
         "error: Invalid list for --survive-max: \"5-3\" (descending range)\n"},
        {"--face-weight",
         "1-",
         {},
         "error: Invalid list for --face-weight: \"1-\" (range without an end)\n"},
        {"--birth",
         "a-3",
         {},
         "error: Invalid list for --birth: \"a-3\" (invalid stoi argument)\n"},
        {"--birth",
         "1-99999999999",
         {},
         "error: Invalid list for --birth: \"1-99999999999\" (stoi argument out of range)\n"},
        {"--seed", "-", {}, "error: Invalid list for --seed: \"-\" (invalid stoull argument)\n"},
        {"--density",
         "0.2,x",
         {},
         "error: Invalid list for --density: \"0.2,x\" (invalid stod argument)\n"},
        {"--density",
         "1e999",
         {},
         "error: Invalid list for --density: \"1e999\" (stod argument out of range)\n"},
        {"--seed",
         "0-18446744073709551615",
         {},
         "error: Census too large: more than 10000000 runs\n"},
    };
    const std::vector<std::string> columns = {"--birth",       "--survive-min", "--survive-max",
                                              "--face-weight", "--density",     "--seed"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + " " + c.text);
        const RunResult run =
            runCensusArgs({c.option, c.text, "--depth", "0", "--steps", "0", "--csv", ""});
        if (!c.error.empty()) {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, c.error);
            continue;
        }
        ASSERT_EQ(run.status, 0) << run.err;
        CensusLists lists;
        const auto column =
            static_cast<int>(std::find(columns.begin(), columns.end(), c.option) - columns.begin());
        switch (column) {
            case 0:
                lists.births = parseIntList(c.option, c.text);
                break;
            case 3:
                lists.faceWeights = parseIntList(c.option, c.text);
                break;
            case 4:
                lists.densities = parseDensityList(c.option, c.text);
                break;
            default:
                lists.seeds = parseSeedList(c.option, c.text);
        }
        EXPECT_EQ(plannedColumn(lists, column), c.values);
    }
}

TEST(CensusLists, SurviveBoundsSwapAndEqualRulesRunOnce) {
    CensusLists lists;
    lists.births = parseIntList("--birth", "3,20-30");
    lists.surviveMins = parseIntList("--survive-min", "2,4");
    lists.surviveMaxes = parseIntList("--survive-max", "2,4,40");
    lists.seeds = parseSeedList("--seed", "1-2");
    // S4-2 swaps into S2-4; S2-40 and S4-40 clamp to S2-14 and S4-14; B20-30 is B14.
    const std::vector<std::string> rules = {"3/2-2",  "3/2-4",  "3/2-14",  "3/4-4",  "3/4-14",
                                            "14/2-2", "14/2-4", "14/2-14", "14/4-4", "14/4-14"};
    const CensusPlan plan(lists);
    ASSERT_EQ(plan.runCount(), rules.size() * 2);
    for (uint64_t position = 0; position < plan.runCount(); ++position) {
        const CensusRun run = plan.runAt(position);
        EXPECT_EQ(std::to_string(run.rule.birth) + "/" + std::to_string(run.rule.surviveMin) + "-" +
                      std::to_string(run.rule.surviveMax),
                  rules[position / 2]);
        EXPECT_EQ(run.seed, position % 2 + 1);
    }
}

TEST(CensusLists, Shards) {
    const std::vector<std::pair<std::string, std::vector<uint64_t>>> valid = {
        {"1/1", {0, 1, 2, 3, 4, 5, 6}},
        {"1/3", {0, 3, 6}},
        {"3/3", {2, 5}},
        {"7/9", {6}},
        {"8/9", {}}};
    CensusLists lists;
    lists.seeds = parseSeedList("--seed", "1-7");
    const CensusPlan plan(lists);
    for (const auto& [text, positions] : valid) {
        SCOPED_TRACE(text);
        EXPECT_EQ(plan.positionsIn(parseShard(text)), positions);
    }
    for (const std::string text : {"0/3", "4/3", "3", "a/b", "1/0", "/3", "1/", "1/3x", "-1/3",
                                   " 1/3", "1/18446744073709551616"}) {
        SCOPED_TRACE(text);
        const RunResult run = runCensusArgs({"--shard", text});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err,
                  "error: Invalid --shard: \"" + text + "\" (expected K/N with 1 <= K <= N)\n");
    }
}

TEST(CensusProgram, ArgumentErrorsReadAsInQuorvel) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--depth"}, "error: Missing value after --depth\n"},
        {{"--svg", "x.svg"}, "error: Unknown argument: --svg\n"},
        {{"--steps", "x"}, "error: --steps: invalid stoi argument\n"},
        {{"--jobs", "two"}, "error: --jobs: invalid stoi argument\n"},
        {{"--depth", "99999999999"}, "error: --depth: stoi argument out of range\n"},
        {{"--root", "delta"}, "error: Unsupported root tile: delta\n"},
        {{"--tiling", "hat"}, "error: Unsupported tiling: hat\n"},
        {{"--summarize"}, "error: Missing value after --summarize\n"},
        {{"--root", "Delta\n"}, "error: Unsupported root tile: Delta\\n\n"},
        {{"--birth", "1,\x1b]0;x\a"},
         "error: Invalid list for --birth: \"1,\\x1b]0;x\\x07\" (invalid stoi argument)\n"},
    };
    for (const auto& [args, err] : cases) {
        SCOPED_TRACE(args[0]);
        const RunResult run = runCensusArgs(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, err);
    }
}

// The depth is clamped to 0..8 on the Spectre patch and to 0..5 on quorvel's; --jobs to
// 1..the hardware threads. Read from the parsed settings: a world beyond depth 6 is too large
// to build in a test.
TEST(CensusOptions, DepthAndJobsClamp) {
    struct Case {
        std::vector<std::string> args;
        int32_t depth;
        int32_t jobs;
    };
    const int32_t hardware = hardwareThreads();
    const std::vector<Case> cases = {
        {{"--tiling", "spectre", "--depth", "12"}, 8, hardware},
        {{"--depth", "7", "--tiling", "spectre"}, 7, hardware},
        {{"--tiling", "spectre", "--depth", "-3"}, 0, hardware},
        {{"--depth", "9"}, 5, hardware},
        {{"--jobs", "0"}, 3, 1},
        {{"--jobs", "3000"}, 3, hardware},
        {{"--jobs", "1"}, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "quorvel-census");
        const CensusSettings settings = parseCensusOptions(args);
        EXPECT_EQ(settings.run.depth, c.depth);
        EXPECT_EQ(settings.jobs, c.jobs);
    }
}

TEST(CensusProgram, UsageLinesComeFromTheOptionTable) {
    std::ostringstream usage;
    printCensusUsage(usage);
    const RunResult run = runCensusArgs({"--root", "Foo", "--help", "--bogus"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, usage.str());
    const std::vector<std::string> lines = splitLines(run.out);
    EXPECT_EQ(lines.front(), "quorvel-census [options]");
    EXPECT_EQ(lines.back(), "  --help             show this help");
    // Every option the parser takes has its line, and nothing else does.
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::string name = split(lines[k].substr(2), ' ').front();
        SCOPED_TRACE(name);
        const RunResult unknown = runCensusArgs({name + "x"});
        EXPECT_EQ(unknown.err, "error: Unknown argument: " + name + "x\n");
        if (name != "--help" && name != "--summarize" && name != "--resume") {
            EXPECT_EQ(runCensusArgs({name}).err, "error: Missing value after " + name + "\n");
        }
    }
}

// A census worker restarts one automaton per face weight and one record for run after run:
// each restarted pair must hold what a pair made afresh for that run holds.
TEST(CensusWorker, RestartedRecordMatchesAFreshOne) {
    Options options;
    options.depth = 3;
    const World world = buildWorld(options);
    const std::vector<Rule> rules = {Rule{3, 2, 3, 1}, Rule{2, 1, 2, 2}, Rule{2, 3, 3, 1},
                                     Rule{3, 1, 4, 1}};
    StepGraphs graphs;
    std::map<int32_t, Automaton> reusedAutomata;
    std::optional<RunRecord> restarted;
    for (std::size_t k = 0; k < rules.size(); ++k) {
        SCOPED_TRACE(k);
        const int32_t weight = rules[k].faceWeight;
        const Population seeded = seedPopulation(world.tiling.size(), k + 1, 0.42);
        Automaton freshAutomaton(
            std::make_shared<const StepGraph>(buildStepGraph(world.faces, weight)), rules[k],
            seeded);
        RunRecord record(freshAutomaton);
        if (graphs.count(weight) == 0) {
            graphs.emplace(weight,
                           std::make_shared<const StepGraph>(buildStepGraph(world.faces, weight)));
        }
        auto reused = reusedAutomata.find(weight);
        if (reused == reusedAutomata.end()) {
            reused = reusedAutomata.try_emplace(weight, graphs.at(weight), rules[k], seeded).first;
        } else {
            reused->second.restart(rules[k], seeded);
        }
        Automaton& reusedAutomaton = reused->second;
        if (restarted) {
            restarted->restart(reusedAutomaton);
        } else {
            restarted.emplace(reusedAutomaton);
        }
        for (int step = 0; step < 300; ++step) {
            freshAutomaton.step();
            record.addStep(freshAutomaton);
            reusedAutomaton.step();
            restarted->addStep(reusedAutomaton);
        }
        EXPECT_EQ(reusedAutomaton.aliveFlags(), freshAutomaton.aliveFlags());
        EXPECT_EQ(restarted->period().length, record.period().length);
        EXPECT_EQ(restarted->period().fromStep, record.period().fromStep);
        EXPECT_EQ(restarted->liveCounts(), record.liveCounts());
        ASSERT_EQ(restarted->checkpoints().size(), record.checkpoints().size());
        for (std::size_t c = 0; c < record.checkpoints().size(); ++c) {
            EXPECT_EQ(restarted->checkpoints()[c].bytes, record.checkpoints()[c].bytes);
        }
    }
    // A record holds one world's tiles: an automaton on another world is refused.
    const World smaller = buildWorld([] {
        Options small;
        small.depth = 1;
        return small;
    }());
    const Automaton other(std::make_shared<const StepGraph>(buildStepGraph(smaller.faces, 1)),
                          rules[0], seedPopulation(smaller.tiling.size(), 1, 0.42));
    EXPECT_THROW(restarted->restart(other), std::logic_error);
}

class CensusRuns : public testsupport::TempDirTest {
  protected:
    // The census of these options, with its CSV at `csvName` in the scratch directory.
    RunResult census(std::vector<std::string> args, const std::string& csvName) {
        args.push_back("--csv");
        args.push_back(path(csvName));
        return runCensusArgs(args);
    }
    static std::vector<std::string> ruleLines(const std::string& out) {
        std::vector<std::string> lines;
        for (const std::string& line : splitLines(out)) {
            if (line.rfind("rule=", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }
};

const std::vector<std::string> kSample = {"--depth",       "3",   "--birth",       "2,3",
                                          "--survive-min", "1,3", "--survive-max", "2,3,4",
                                          "--seed",        "1-3", "--steps",       "300"};

// A row against quorvel-view's report of the same run (`viewArgs`, of `steps` steps on
// `tileCount` tiles): its period line, and the step line of the row's last step.
void expectRowAgreesWithView(const std::vector<std::string>& f,
                             const std::vector<std::string>& viewArgs, std::size_t tileCount,
                             int steps) {
    const RunResult view = testrun::runInProcess(viewArgs, runQuorvelView);
    ASSERT_EQ(view.status, 0) << view.err;
    const std::vector<std::string> lines = splitLines(view.out);
    const std::string& periodLine = lines.back();
    if (f[6] == "unsettled") {
        EXPECT_EQ(periodLine, "period=none");
        EXPECT_EQ(f[7] + "," + f[8] + "," + f[9], "0,0," + std::to_string(steps));
    } else {
        EXPECT_EQ(periodLine, "period=" + f[7] + " from_step=" + f[8]);
        EXPECT_EQ(f[9], f[8]);
        const bool one = f[7] == "1";
        EXPECT_EQ(f[6], !one ? "oscillating" : f[10] == "0" ? "extinct" : "still");
    }
    const int stepsRun = std::stoi(f[9]);
    // Lines: banner, summary, steps 1..steps, period.
    EXPECT_EQ(lines[static_cast<std::size_t>(stepsRun) + 1],
              "step=" + f[9] + " alive=" + f[10] + " max_age=" + f[12]);
    // Step 0, the seeded population, counts towards the peak too.
    const Population seeded = seedPopulation(tileCount, std::stoull(f[5]), std::stod(f[4]));
    int peak = static_cast<int>(std::count(seeded.alive.begin(), seeded.alive.end(), 1));
    for (int step = 1; step <= stepsRun; ++step) {
        const std::string& line = lines[static_cast<std::size_t>(step) + 1];
        const std::size_t at = line.find("alive=") + 6;
        peak = std::max(peak, std::stoi(line.substr(at, line.find(' ', at) - at)));
    }
    EXPECT_EQ(std::to_string(peak), f[11]);
}

// Every row against quorvel-view's report of the same run: its period line, and the step line
// of the row's last step.
TEST_F(CensusRuns, RowsAgreeWithQuorvelView) {
    const RunResult run = census(kSample, "sample.csv");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> rows = splitLines(readFile(path("sample.csv")));
    ASSERT_EQ(rows.size(), 37u);
    EXPECT_EQ(rows[0],
              "birth,survive_min,survive_max,weight,density,seed,outcome,period,from_step,"
              "steps_run,alive,peak_alive,max_age,position,depth,root,tiling,step_limit,"
              "census_runs,shard,version,neighbourhood,rule");
    std::set<std::string> outcomes;
    for (std::size_t k = 1; k < rows.size(); ++k) {
        SCOPED_TRACE(rows[k]);
        const std::vector<std::string> f = split(rows[k], ',');
        ASSERT_EQ(f.size(), 23u);
        // The census each row belongs to, in constant columns, and the rule's text.
        EXPECT_EQ(std::vector<std::string>(f.begin() + 13, f.end()),
                  (std::vector<std::string>{std::to_string(k - 1), "3", "Delta", "quorvel", "300",
                                            "36", "1/1", kVersion, "face",
                                            "B" + f[0] + "/S" + f[1] + "-" + f[2]}));
        outcomes.insert(f[6]);
        const std::vector<std::string> viewArgs = {
            "quorvel-view", "--depth",       "3",  "--birth",
            f[0],           "--survive-min", f[1], "--survive-max",
            f[2],           "--face-weight", f[3], "--density",
            f[4],           "--seed",        f[5], "--steps",
            "300",          "--html",        ""};
        expectRowAgreesWithView(f, viewArgs, testsupport::tileCountOf("Delta", 3), 300);
    }
    EXPECT_EQ(outcomes, (std::set<std::string>{"extinct", "still", "oscillating", "unsettled"}));
}

TEST_F(CensusRuns, ReportDoesNotDependOnJobs) {
    std::vector<std::string> args = kSample;
    args.insert(args.end(), {"--density", "0.3,0.42", "--face-weight", "1,2"});
    std::vector<std::string> one = args;
    one.insert(one.end(), {"--jobs", "1"});
    std::vector<std::string> two = args;
    two.insert(two.end(), {"--jobs", "2"});
    std::vector<std::string> five = args;
    five.insert(five.end(), {"--jobs", "5"});
    const RunResult a = census(one, "a.csv");
    const RunResult b = census(two, "a.csv");
    const std::string csvTwo = readFile(path("a.csv"));
    const RunResult c = census(five, "c.csv");
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.err, "");
    EXPECT_EQ(b.out, a.out);
    EXPECT_EQ(c.out.substr(0, c.out.rfind("csv=")), a.out.substr(0, a.out.rfind("csv=")));
    EXPECT_EQ(readFile(path("c.csv")), csvTwo);
    EXPECT_EQ(splitLines(csvTwo).size(), 1u + 6 * 2 * 2 * 2 * 3);
    const std::vector<std::string> lines = splitLines(a.out);
    EXPECT_EQ(lines[0], "Quorvel");
    EXPECT_EQ(lines[1], "tiles=559 depth=3 root=Delta tiling=quorvel runs=144 steps=300");
    EXPECT_EQ(ruleLines(a.out).size(), 12u * 2);
    EXPECT_EQ(lines.back(), "csv=" + path("a.csv"));
}

TEST_F(CensusRuns, ShardsReassembleAndSummarizeToTheWholeCensus) {
    const RunResult whole = census(kSample, "whole.csv");
    ASSERT_EQ(whole.status, 0) << whole.err;
    const std::vector<std::string> wholeRows = splitLines(readFile(path("whole.csv")));
    std::vector<std::vector<std::string>> shardRows;
    std::vector<std::string> summarize = {"--summarize"};
    for (const std::string shard : {"1/4", "2/4", "3/4", "4/4"}) {
        std::vector<std::string> args = kSample;
        args.insert(args.end(), {"--shard", shard, "--jobs", "2"});
        const std::string name = "shard" + shard.substr(0, 1) + ".csv";
        const RunResult run = census(args, name);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(splitLines(run.out)[1],
                  "tiles=559 depth=3 root=Delta tiling=quorvel runs=9 "
                  "steps=300 shard=" +
                      shard);
        shardRows.push_back(splitLines(readFile(path(name))));
        EXPECT_EQ(shardRows.back()[0], wholeRows[0]);
        summarize.push_back(path(name));
    }
    // Run k of the whole census is row k / 4 of shard k % 4, which names its shard.
    for (std::size_t k = 0; k + 1 < wholeRows.size(); ++k) {
        std::string expected = wholeRows[k + 1];
        const std::string shard = "," + std::to_string(k % 4 + 1) + "/4,";
        expected.replace(expected.find(",1/1,"), 5, shard);
        EXPECT_EQ(shardRows[k % 4].at(k / 4 + 1), expected);
    }
    for (const auto& rows : shardRows) {
        EXPECT_EQ(rows.size(), 10u);
    }
    const RunResult merged = runCensusArgs(summarize);
    EXPECT_EQ(merged.status, 0);
    EXPECT_EQ(merged.err, "");
    EXPECT_EQ(splitLines(merged.out), ruleLines(whole.out));
    // The files' order does not matter.
    std::reverse(summarize.begin() + 1, summarize.end());
    EXPECT_EQ(runCensusArgs(summarize).out, merged.out);
}

const std::string kHeader =
    "birth,survive_min,survive_max,weight,density,seed,outcome,period,from_step,steps_run,alive,"
    "peak_alive,max_age,position,depth,root,tiling,step_limit,census_runs,shard,version,"
    "neighbourhood,rule\n";

// A row of a hand-made census of 100 runs over 99 steps at depth 3: `run` is its first 13
// columns, then its position, the census's constant columns and the rule's text.
std::string handRow(const std::string& run, int position, const std::string& shard = "1/1",
                    const std::string& depth = "3") {
    const std::vector<std::string> f = split(run, ',');
    return run + "," + std::to_string(position) + "," + depth + ",Delta,quorvel,99,100," + shard +
           "," + kVersion + ",face,B" + f[0] + "/S" + f[1] + "-" + f[2] + "\n";
}

TEST_F(CensusRuns, RuleLinesTallyTheRows) {
    // A byte-order mark and CRLF line ends, as a spreadsheet saves the file, change nothing.
    std::string rows = handRow("3,2,3,1,0.42,2,oscillating,6,40,40,7,90,12", 0) +
                       handRow("3,2,3,1,0.42,1,extinct,1,10,10,0,80,0", 1) +
                       handRow("2,2,3,1,0.42,1,unsettled,0,0,99,50,60,99", 2) +
                       handRow("3,2,3,1,0.20,1,oscillating,2,30,30,5,70,9", 3) +
                       handRow("3,2,3,2,0.42,1,still,1,5,5,4,60,5", 5) +
                       handRow("3,2,3,1,0.42,3,oscillating,6,20,20,3,50,1", 9);
    std::ofstream(path("hand.csv")) << kHeader << rows;
    std::string crlf = "\xEF\xBB\xBF" + kHeader + rows;
    for (std::size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2)) {
        crlf.insert(at, "\r");
    }
    std::ofstream(path("crlf.csv")) << crlf;
    for (const std::string name : {"hand.csv", "crlf.csv"}) {
        const RunResult run = runCensusArgs({"--summarize", path(name)});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out,
                  "rule=B2/S2-3 weight=1 runs=1 extinct=0 still=0 oscillating=0 unsettled=1 "
                  "periods=none mean_alive=50.00\n"
                  "rule=B3/S2-3 weight=1 runs=4 extinct=1 still=0 oscillating=3 unsettled=0 "
                  "periods=2,6 mean_alive=3.75\n"
                  "rule=B3/S2-3 weight=2 runs=1 extinct=0 still=1 oscillating=0 unsettled=0 "
                  "periods=none mean_alive=4.00\n");
    }
}

// Files that cannot hold a census's rows, or cannot be merged, fail with a line that says why,
// and nothing is printed.
TEST_F(CensusRuns, SummarizeRejectsWhatIsNotACensus) {
    const std::string good = handRow("3,2,3,1,0.42,1,extinct,1,10,10,0,80,0", 0);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"other.csv", "step,alive\n1,2\n"},
        {"header.csv", kHeader},
        {"empty.csv", ""},
        {"outcome.csv", kHeader + handRow("3,2,3,1,0.42,2,settled,1,10,10,0,80,0", 0)},
        {"period0.csv", kHeader + handRow("3,2,3,1,0.42,2,oscillating,0,10,10,5,80,0", 0)},
        {"period7.csv", kHeader + handRow("3,2,3,1,0.42,2,extinct,7,10,10,0,80,0", 0)},
        {"alive.csv", kHeader + handRow("3,2,3,1,0.42,2,still,1,10,10,-4,80,0", 0)},
        {"rule.csv", kHeader + handRow("999,-5,2147483647,0,0.42,2,still,1,10,10,4,80,0", 0)},
        {"steps.csv", kHeader + handRow("3,2,3,1,0.42,2,unsettled,0,0,50,4,80,0", 0)},
        {"position.csv", kHeader + handRow("3,2,3,1,0.42,2,still,1,10,10,4,80,0", 0, "2/2")},
        {"twice.csv", kHeader + good + good},
        {"mixed.csv",
         kHeader + good + handRow("3,2,3,1,0.42,2,still,1,10,10,4,80,0", 1, "1/1", "2")},
        {"long.csv", kHeader + std::string(1 << 20, '0')},
        {"shard12.csv", kHeader + handRow("3,2,3,1,0.42,2,still,1,10,10,4,80,0", 0, "1/2")},
        {"shard14.csv", kHeader + handRow("3,2,3,1,0.42,2,still,1,10,10,4,80,0", 4, "1/4")},
        {"depth2.csv", kHeader + handRow("3,2,3,1,0.42,2,still,1,10,10,4,80,0", 1, "2/2", "2")},
        {"good.csv", kHeader + good},
    };
    for (const auto& [name, content] : files) {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    std::filesystem::create_directory(path("dir.csv"));
    const auto malformed = [&](const std::string& name, int line, const std::string& reason) {
        return "error: Malformed census row in " + path(name) + " at line " + std::to_string(line) +
               " (" + reason + ")\n";
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"missing.csv"}, "error: Unable to read " + path("missing.csv") + "\n"},
        {{"dir.csv"}, "error: Unable to read " + path("dir.csv") + " (a directory)\n"},
        {{"other.csv"}, "error: Not a census CSV: " + path("other.csv") + "\n"},
        {{"empty.csv"}, "error: Not a census CSV: " + path("empty.csv") + " (empty)\n"},
        {{"header.csv"}, "error: No census rows in the files given\n"},
        {{"outcome.csv"},
         malformed("outcome.csv", 2, "a field that is not a number of its column")},
        {{"period0.csv"}, malformed("period0.csv", 2, "outcome does not fit its period")},
        {{"period7.csv"}, malformed("period7.csv", 2, "outcome does not fit its period")},
        {{"alive.csv"}, malformed("alive.csv", 2, "counts out of range")},
        {{"rule.csv"}, malformed("rule.csv", 2, "rule out of range")},
        {{"steps.csv"}, malformed("steps.csv", 2, "outcome does not fit its period")},
        {{"position.csv"},
         malformed("position.csv", 2, "position outside the census or its shard")},
        {{"twice.csv"},
         malformed("twice.csv", 3,
                   "position not after the previous row's: a repeated or reordered run")},
        {{"mixed.csv"}, "error: Mixed censuses in " + path("mixed.csv") + " at line 3\n"},
        {{"long.csv"}, "error: Line too long in " + path("long.csv") + " at line 2\n"},
        {{"good.csv", "good.csv"},
         "error: Same file given twice: " + path("good.csv") + " and " + path("good.csv") + "\n"},
        {{"good.csv", "shard12.csv"},
         "error: Shards that can hold the same runs: " + path("good.csv") + " and " +
             path("shard12.csv") + "\n"},
        {{"shard12.csv", "shard14.csv"},
         "error: Shards that can hold the same runs: " + path("shard12.csv") + " and " +
             path("shard14.csv") + "\n"},
        {{"shard12.csv", "depth2.csv"},
         "error: Different censuses: " + path("shard12.csv") +
             " (depth=3 root=Delta tiling=quorvel step_limit=99 census_runs=100 shard=1/2 "
             "version=" +
             kVersion + ") and " + path("depth2.csv") +
             " (depth=2 root=Delta tiling=quorvel step_limit=99 census_runs=100 shard=2/2 "
             "version=" +
             kVersion + ")\n"},
    };
    for (const auto& [names, err] : cases) {
        SCOPED_TRACE(names.back());
        std::vector<std::string> args = {"--summarize"};
        for (const std::string& name : names) {
            args.push_back(path(name));
        }
        const RunResult run = runCensusArgs(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, err);
    }
    // Shards that cannot meet merge, and a header-only shard beside them adds nothing.
    std::ofstream(path("shard22.csv"))
        << kHeader << handRow("3,2,3,1,0.42,2,still,1,10,10,4,80,0", 1, "2/2");
    const RunResult merged = runCensusArgs(
        {"--summarize", path("shard12.csv"), path("shard22.csv"), path("header.csv")});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out,
              "rule=B3/S2-3 weight=1 runs=2 extinct=0 still=2 oscillating=0 unsettled=0 "
              "periods=none mean_alive=4.00\n");
}

// Set-rule rows as a census writes them, and the ways a hand-edited one goes wrong.
TEST_F(CensusRuns, SummarizeReadsSetRulesAndRefusesBrokenOnes) {
    const auto row = [](const std::string& counts, const std::string& tail) {
        return counts + ",1,0.42,2,still,1,10,10,4,80,0,0,3,Delta,quorvel,99,100,1/1," +
               std::string(kVersion) + "," + tail + "\n";
    };
    const std::vector<std::pair<std::string, std::string>> files = {
        {"set.csv", kHeader + row(",,", "face,\"B2,5/S1,3-4\"")},
        {"mismatch.csv", kHeader + row("3,2,3", "face,B2/S1")},
        {"unreadable.csv", kHeader + row(",,", "face,B9x/S")},
        {"noncanonical.csv", kHeader + row(",,", "face,\"B5,2/S1\"")},
        {"half.csv", kHeader + row("3,,", "face,B3/S")},
        {"unclosed.csv", kHeader + row(",,", "face,\"B2,5/S1")},
        {"neighbourhood.csv", kHeader + row("3,2,3", "corner,B3/S2-3")},
    };
    for (const auto& [name, content] : files) {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    const RunResult good = runCensusArgs({"--summarize", path("set.csv")});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out,
              "rule=B2,5/S1,3-4 weight=1 runs=1 extinct=0 still=1 oscillating=0 "
              "unsettled=0 periods=none mean_alive=4.00\n");
    const auto malformed = [&](const std::string& name, const std::string& reason) {
        return "error: Malformed census row in " + path(name) + " at line 2 (" + reason + ")\n";
    };
    const std::string notNumber = "a field that is not a number of its column";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"mismatch.csv", malformed("mismatch.csv", "rule text not that of its counts")},
        {"unreadable.csv", malformed("unreadable.csv", notNumber)},
        {"noncanonical.csv", malformed("noncanonical.csv", notNumber)},
        {"half.csv", malformed("half.csv", notNumber)},
        {"unclosed.csv", malformed("unclosed.csv", "0 fields, not 23")},
        {"neighbourhood.csv", malformed("neighbourhood.csv", "census columns out of range")},
    };
    for (const auto& [name, err] : cases) {
        SCOPED_TRACE(name);
        const RunResult run = runCensusArgs({"--summarize", path(name)});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, err);
    }
}

TEST_F(CensusRuns, CsvPathEmptyWritesNoneAndAnUnwritableOneFails) {
    const std::vector<std::string> small = {"--depth", "1", "--seed", "1-2", "--steps", "20"};
    std::vector<std::string> noCsv = small;
    noCsv.insert(noCsv.end(), {"--csv", ""});
    const RunResult none = runCensusArgs(noCsv);
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(ruleLines(none.out).size(), 1u);
    EXPECT_EQ(none.out.find("csv="), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir()));

    // The CSV is opened before the first run, so an unwritable one costs no runs.
    const RunResult failed = census(small, "no/such/dir.csv");
    EXPECT_EQ(failed.status, 1);
    const std::vector<std::string> noneLines = splitLines(none.out);
    EXPECT_EQ(failed.out, noneLines[0] + "\n" + noneLines[1] + "\n");
    EXPECT_EQ(failed.err, "error: Unable to write CSV: " + path("no/such/dir.csv") + "\n");
}

TEST_F(CensusRuns, ProgressOnlyOnATerminal) {
    const std::vector<std::string> args = {"--depth", "2", "--seed", "1-5", "--csv", ""};
    const RunResult quiet = runCensusArgs(args, false);
    const RunResult shown = runCensusArgs(args, true);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(shown.out, quiet.out);
    ASSERT_FALSE(shown.err.empty());
    EXPECT_EQ(shown.err.rfind("\rruns ", 0), 0u);
    EXPECT_EQ(shown.err.back(), '\n');
    const std::string last = shown.err.substr(shown.err.rfind('\r'));
    EXPECT_EQ(last.rfind("\rruns 5/5  ", 0), 0u) << last;
    // The program itself asks whether its standard error is a terminal: a file is not one.
    // A path with a blank and a quote, as a home directory may have.
    const std::string errFile = path("err file's.txt");
    const testsupport::ShellResult shell = testsupport::shellOutput(
        testsupport::shellQuoted(testsupport::programPath("quorvel-census")) +
        " --depth 2 --seed 1-5 --csv '' 2>" + testsupport::shellQuoted(errFile));
    EXPECT_EQ(shell.status, 0);
    EXPECT_EQ(shell.out, quiet.out);
    EXPECT_EQ(readFile(errFile), "");
}

// A partial CSV of the same census is kept and the rest run: the result is the uninterrupted
// census's, byte for byte. A CSV of another census is refused and left as it was.
TEST_F(CensusRuns, ResumeFinishesAPartialCsv) {
    const RunResult whole = census(kSample, "whole.csv");
    ASSERT_EQ(whole.status, 0) << whole.err;
    const std::string wholeCsv = readFile(path("whole.csv"));
    const std::vector<std::string> lines = splitLines(wholeCsv);
    for (const std::size_t kept :
         {std::size_t{0}, std::size_t{1}, std::size_t{17}, lines.size() - 1}) {
        SCOPED_TRACE(kept);
        std::string partial;
        for (std::size_t k = 0; k <= kept; ++k) {
            partial += lines[k] + "\n";
        }
        std::ofstream(path("partial.csv")) << partial;
        std::vector<std::string> args = kSample;
        args.push_back("--resume");
        const RunResult resumed = census(args, "partial.csv");
        EXPECT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_EQ(resumed.out, whole.out.substr(0, whole.out.rfind("csv=")) +
                                   "csv=" + path("partial.csv") + "\n");
        EXPECT_TRUE(readFile(path("partial.csv")) == wholeCsv);
    }
    std::vector<std::string> other = kSample;
    other.insert(other.end(), {"--steps", "299", "--resume"});
    const RunResult refused = census(other, "whole.csv");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(
        refused.err.rfind(
            "error: Cannot resume from " + path("whole.csv") + ": it holds another census (", 0),
        0u)
        << refused.err;
    EXPECT_TRUE(readFile(path("whole.csv")) == wholeCsv);
}

// A row's fields, a field in double quotes read without them.
std::vector<std::string> csvFields(const std::string& row) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (const char c : row) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

// A census over a list of set rules, on both patches and in both neighbourhoods: rows ordered
// by rule, each agreeing with quorvel-view's run of its rule; the summary lines name the rules
// canonically, --summarize of the CSV gives them again and --resume finishes a partial CSV.
TEST_F(CensusRuns, SetRuleRowsAgreeWithQuorvelView) {
    struct Case {
        std::vector<std::string> world;
        std::size_t tileCount;
        std::string neighbourhood;
    };
    const Case cases[] = {
        {{"--depth", "3"}, 559, "face"},
        {{"--depth", "3", "--tiling", "spectre", "--neighbourhood", "vertex"}, 559, "vertex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.neighbourhood);
        std::vector<std::string> args = c.world;
        args.insert(args.end(), {"--rule", "B3/S2-3;B2,5/S1,3-4;B/S0;B2/S3,1;B5,2/S1,3-4",
                                 "--face-weight", "1,2", "--seed", "1-2", "--steps", "150"});
        const RunResult run = census(args, "set.csv");
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string csv = readFile(path("set.csv"));
        const std::vector<std::string> rows = splitLines(csv);
        ASSERT_EQ(rows.size(), 17u);
        std::vector<std::string> rules;
        for (std::size_t k = 1; k < rows.size(); ++k) {
            SCOPED_TRACE(rows[k]);
            const std::vector<std::string> f = csvFields(rows[k]);
            ASSERT_EQ(f.size(), 23u);
            EXPECT_EQ(f[0] + f[1] + f[2], "");
            EXPECT_EQ(f[21], c.neighbourhood);
            EXPECT_EQ(
                rows[k].find(',') != std::string::npos && f[22].find(',') != std::string::npos,
                rows[k].find("\"" + f[22] + "\"") != std::string::npos);
            if (rules.empty() || rules.back() != f[22]) {
                rules.push_back(f[22]);
            }
            std::vector<std::string> viewArgs = {"quorvel-view"};
            viewArgs.insert(viewArgs.end(), c.world.begin(), c.world.end());
            viewArgs.insert(viewArgs.end(), {"--rule", f[22], "--face-weight", f[3], "--density",
                                             f[4], "--seed", f[5], "--steps", "150", "--html", ""});
            expectRowAgreesWithView(f, viewArgs, c.tileCount, 150);
        }
        EXPECT_EQ(rules, (std::vector<std::string>{"B/S0", "B2/S1,3", "B2,5/S1,3-4", "B3/S2-3"}));
        std::vector<std::string> lines = ruleLines(run.out);
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[0].rfind("rule=B/S0 weight=1 runs=2 ", 0), 0u) << lines[0];
        EXPECT_EQ(lines[5].rfind("rule=B2,5/S1,3-4 weight=2 runs=2 ", 0), 0u) << lines[5];
        const RunResult summarized = runCensusArgs({"--summarize", path("set.csv")});
        EXPECT_EQ(summarized.status, 0) << summarized.err;
        EXPECT_EQ(ruleLines(summarized.out), lines);

        std::ofstream(path("part.csv")) << rows[0] + "\n" + rows[1] + "\n" + rows[2] + "\n";
        std::vector<std::string> resume = args;
        resume.push_back("--resume");
        const RunResult resumed = census(resume, "part.csv");
        EXPECT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_TRUE(readFile(path("part.csv")) == csv);
        // The same runs from the range lists are another census's rows.
        std::vector<std::string> ranged = c.world;
        ranged.insert(ranged.end(), {"--birth", "3", "--face-weight", "1,2", "--seed", "1-2",
                                     "--steps", "150", "--resume"});
        const RunResult refused = census(ranged, "set.csv");
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("Cannot resume from"), std::string::npos) << refused.err;
    }
}

TEST(CensusProgram, RuleListErrors) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--rule", "B3/S2-3;"},
         "error: Invalid --rule: \"B3/S2-3;\" (expected B<counts>/S<counts>, such as B3/S2-3 or "
         "B2,5/S1,3-4)\n"},
        {{"--rule", "B3/S2-3,B2/S1"},
         "error: Invalid --rule: \"B3/S2-3,B2/S1\" (expected a count at \"B2/S1\")\n"},
        {{"--rule", "B3/S2;B20/S"},
         "error: Invalid --rule: \"B3/S2;B20/S\" (count 20 beyond 15)\n"},
        {{"--rule", "B3/S2", "--survive-min", "1"},
         "error: --rule cannot be combined with --birth, --survive-min or --survive-max\n"},
        {{"--depth", "1", "--rule", "B3/S2;B15/S"},
         "error: Rule B15/S names 15, beyond the largest neighbour count of this world, 14\n"},
        {{"--depth", "2", "--tiling", "spectre", "--neighbourhood", "vertex", "--rule", "B8/S"},
         "error: Rule B8/S names 8, beyond the largest neighbour count of this world, 7\n"},
        {{"--neighbourhood", "corner"}, "error: Unknown neighbourhood: corner (face | vertex)\n"},
    };
    for (const auto& [args, err] : cases) {
        SCOPED_TRACE(err);
        std::vector<std::string> withCsv = args;
        withCsv.insert(withCsv.end(), {"--csv", "", "--steps", "1"});
        const RunResult run = runCensusArgs(withCsv);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, err);
    }
}

// SIGINT or SIGTERM in the middle of a census: the rows done so far become the CSV (a prefix
// of the census's order), no temporary file stays, the progress line is ended, one line says
// how many runs were saved, and the status is 128 + the signal.
TEST_F(CensusRuns, InterruptionSavesTheRowsDone) {
    for (const auto& [signal, status] : {std::pair<const char*, int>{"INT", 130}, {"TERM", 143}}) {
        SCOPED_TRACE(signal);
        std::filesystem::remove_all(dir());
        std::filesystem::create_directories(dir());
        const std::string command =
            "cd " + testsupport::shellQuoted(dir().string()) + " && { " +
            testsupport::shellQuoted(testsupport::programPath("quorvel-census")) +
            " --depth 2 --seed 1-5000000 --steps 200 --jobs 2 --csv c.csv >out 2>err & "
            // Signalled once a few rows have reached the temporary file (at most 60 s on):
            // a loaded machine or a sanitizer build may take a while to get there.
            "for i in $(seq 600); do "
            "[ \"$(cat .c.csv.tmp* 2>/dev/null | wc -l)\" -ge 3 ] && break; sleep 0.1; done; "
            "kill -" +
            signal + " $!; wait $!; echo $? >status; }";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(readFile(path("status")), std::to_string(status) + "\n");
        const std::vector<std::string> rows = splitLines(readFile(path("c.csv")));
        ASSERT_GT(rows.size(), 1u);
        EXPECT_EQ(rows[0] + "\n", kHeader);
        for (std::size_t k = 1; k < rows.size(); ++k) {
            ASSERT_EQ(split(rows[k], ',')[5], std::to_string(k)) << "row " << k;
        }
        EXPECT_EQ(readFile(path("err")),
                  "interrupted: " + std::to_string(rows.size() - 1) +
                      " of 5000000 runs saved in c.csv (--resume goes on)\n");
        EXPECT_EQ(splitLines(readFile(path("out"))).size(), 2u);
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir())) {
            names.insert(entry.path().filename().string());
        }
        EXPECT_EQ(names, (std::set<std::string>{"c.csv", "err", "out", "status"}));
    }
}

// A reader that stops reading: the CSV is still written whole, then the one error line.
TEST_F(CensusRuns, ClosedPipeStillGetsTheCsvWritten) {
    const std::string args =
        " --depth 1 --birth 0-14 --survive-min 0-14 --survive-max 0-14 "
        "--steps 5 --csv ";
    const std::string program =
        testsupport::shellQuoted(testsupport::programPath("quorvel-census"));
    const std::string command = "cd " + testsupport::shellQuoted(dir().string()) + " && " +
                                program + args + "whole.csv >/dev/null && { " + program + args +
                                "c.csv 2>err; echo $? >status; } | head -c 1 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readFile(path("status")), "1\n");
    EXPECT_EQ(readFile(path("err")), "error: Unable to write standard output\n");
    EXPECT_TRUE(readFile(path("c.csv")) == readFile(path("whole.csv")));
}

}  // namespace
}  // namespace quorvel
