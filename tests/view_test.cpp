#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Reference.h"
#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
#include "cli/Driver.h"
#include "cli/Options.h"
#include "support/InProcessRun.h"
#include "view/PageData.h"
#include "view/PageWriter.h"
#include "view/Period.h"
#include "view/RunRecord.h"
#include "view/ViewDriver.h"

namespace quorvel {
namespace {

// ---- Recording real runs ------------------------------------------------------------------

struct RecordedRun {
    Tiling tiling;
    RunRecord record;
    // The live flags and ages of every tile after each step 0..steps, read from the tiles.
    std::vector<std::vector<uint8_t>> alive;
    std::vector<std::vector<uint32_t>> ages;
};

void snapshot(const Tiling& tiling, RecordedRun& run) {
    std::vector<uint8_t> alive;
    std::vector<uint32_t> ages;
    for (const Tile& tile : tiling) {
        alive.push_back(tile.alive ? 1 : 0);
        ages.push_back(tile.age);
    }
    run.alive.push_back(alive);
    run.ages.push_back(ages);
}

RecordedRun recordRun(const std::vector<std::string>& args) {
    const Options options = parseOptions(args).options;
    Tiling tiling = buildWorld(options);
    RecordedRun run{tiling, RunRecord(tiling), {}, {}};
    snapshot(tiling, run);
    Automaton automaton(
        tiling, Rule{options.birth, options.surviveMin, options.surviveMax, options.faceWeight});
    for (int32_t step = 1; step <= options.steps; ++step) {
        automaton.step();
        run.record.addStep(automaton.changedTiles());
        snapshot(tiling, run);
    }
    run.tiling = tiling;
    return run;
}

// The plain reading: compare whole live sets, every later step against every earlier one.
Period periodBySnapshots(const RecordedRun& run) {
    for (std::size_t later = 1; later < run.alive.size(); ++later) {
        for (std::size_t earlier = later; earlier-- > 0;) {
            if (run.alive[earlier] == run.alive[later]) {
                return Period{static_cast<int32_t>(later - earlier), static_cast<int32_t>(later)};
            }
        }
    }
    return Period{};
}

// ---- Period detection ---------------------------------------------------------------------

struct PeriodCase {
    const char* what;
    std::vector<std::string> args;
    int32_t length;
    int32_t fromStep;
};

// Outcomes found with quorvel-view and confirmed against whole-state comparison below.
const std::vector<PeriodCase> kPeriodCases = {
    // Both tiles dead after step 1 (the two-tile Gamma patch), so step 2 repeats step 1.
    {"extinct two-tile patch", {"v", "--root", "Gamma", "--depth", "0", "--steps", "5"}, 1, 2},
    {"extinct at depth 2", {"v", "--depth", "2", "--steps", "60"}, 1, 13},
    {"still life",
     {"v", "--depth", "2", "--steps", "60", "--survive-min", "1", "--survive-max", "5"},
     1,
     6},
    {"oscillator of period 6", {"v"}, 6, 27},
    {"no repeat within 3 steps", {"v", "--steps", "3"}, 0, 0},
    {"no steps", {"v", "--steps", "0"}, 0, 0},
};

TEST(PeriodDetection, KnownRunsAgreeWithWholeStateComparison) {
    for (const PeriodCase& c : kPeriodCases) {
        SCOPED_TRACE(c.what);
        const RecordedRun run = recordRun(c.args);
        const Period period = detectPeriod(run.record);
        EXPECT_EQ(period.length, c.length);
        EXPECT_EQ(period.fromStep, c.fromStep);
        const Period plain = periodBySnapshots(run);
        EXPECT_EQ(period.length, plain.length);
        EXPECT_EQ(period.fromStep, plain.fromStep);
    }
}

TEST(PeriodDetection, OscillatorRepeatsItsLiveSetAndNoEarlierStepDoes) {
    const RecordedRun run = recordRun({"v"});
    // Step 27 equals step 21 and is the first step equal to any earlier one.
    EXPECT_EQ(run.alive[27], run.alive[21]);
    for (int32_t later = 1; later < 27; ++later) {
        for (int32_t earlier = 0; earlier < later; ++earlier) {
            EXPECT_NE(run.alive[static_cast<std::size_t>(later)],
                      run.alive[static_cast<std::size_t>(earlier)])
                << later << " vs " << earlier;
        }
    }
    for (int32_t shorter = 1; shorter < 6; ++shorter) {
        EXPECT_NE(run.alive[27], run.alive[static_cast<std::size_t>(27 - shorter)]);
    }
}

// Hand-made records: the shortest period is the one reported, and the seeded state counts.
struct HandCase {
    const char* what;
    std::vector<bool> seeded;
    std::vector<std::vector<int32_t>> changes;
    int32_t length;
    int32_t fromStep;
};

Tiling tilingOfStates(const std::vector<bool>& alive) {
    Tiling tiling(alive.size());
    for (std::size_t i = 0; i < alive.size(); ++i) {
        tiling[i].alive = alive[i];
    }
    return tiling;
}

TEST(PeriodDetection, HandMadeRecords) {
    const std::vector<HandCase> cases = {
        // {0} -> {1} -> {2} -> {0}: a glider round three tiles.
        {"cycle of three", {true, false, false}, {{0, 1}, {1, 2}, {0, 2}}, 3, 3},
        // {0} -> {} -> {0} -> {} : step 2 repeats step 0, not only step 1's successor.
        {"blinker back to the seed", {true, false}, {{0}, {0}, {0}}, 2, 2},
        // {} -> {} : the empty set repeats at once.
        {"empty from the start", {false, false}, {{}, {}}, 1, 1},
        // {0} -> {0,1} -> {1} -> {0,1}: step 3 repeats step 1; step 2 repeats nothing.
        {"repeat of a later state", {true, false}, {{1}, {0}, {0}}, 2, 3},
        {"never repeats", {false, false}, {{0}, {1}}, 0, 0},
    };
    for (const HandCase& c : cases) {
        SCOPED_TRACE(c.what);
        RunRecord record(tilingOfStates(c.seeded));
        for (const std::vector<int32_t>& step : c.changes) {
            record.addStep(step);
        }
        const Period period = detectPeriod(record);
        EXPECT_EQ(period.length, c.length);
        EXPECT_EQ(period.fromStep, c.fromStep);
    }
}

TEST(PeriodDetection, PeriodLine) {
    std::ostringstream found, none;
    writePeriodLine(found, Period{6, 27});
    writePeriodLine(none, Period{});
    EXPECT_EQ(found.str(), "period=6 from_step=27\n");
    EXPECT_EQ(none.str(), "period=none\n");
}

// ---- Page data encodings ------------------------------------------------------------------

TEST(PageData, VarintsRoundTripAtTheirByteBoundaries) {
    const std::vector<uint64_t> values = {0,     1,     127,           128,
                                          16383, 16384, 0xFFFFFFFFULL, 0xFFFFFFFFFFFFFFFFULL};
    std::string bytes;
    for (const uint64_t v : values) {
        appendVarint(bytes, v);
    }
    EXPECT_EQ(bytes.size(), 1u + 1 + 1 + 2 + 2 + 3 + 5 + 10);
    std::size_t position = 0;
    for (const uint64_t v : values) {
        EXPECT_EQ(readVarint(bytes, position), v);
    }
    EXPECT_EQ(position, bytes.size());
    std::string truncated = bytes.substr(0, 4);
    position = 3;
    EXPECT_THROW(readVarint(truncated, position), std::runtime_error);
}

TEST(PageData, Base64MatchesTheStandardVectorsAndRoundTrips) {
    const std::vector<std::pair<std::string, std::string>> vectors = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(encodeBase64(bytes), text);
        EXPECT_EQ(decodeBase64(text), bytes);
    }
    std::string allBytes;
    for (int b = 0; b < 256; ++b) {
        allBytes.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(decodeBase64(encodeBase64(allBytes)), allBytes);
    EXPECT_THROW(decodeBase64("Zm9"), std::runtime_error);
    EXPECT_THROW(decodeBase64("Zm9*"), std::runtime_error);
}

// The page's data read back gives every step's live flags and ages exactly as the tiles had
// them: change lists replayed from the step-0 checkpoint, and every step's own checkpoint.
TEST(PageData, ChangeListsAndCheckpointsDecodeToTheRunsStates) {
    const std::vector<std::vector<std::string>> runs = {
        {"v", "--steps", "150"},
        {"v", "--depth", "2", "--steps", "80", "--birth", "2"},
        {"v", "--depth", "1", "--steps", "20", "--birth", "0", "--survive-min", "0"},
    };
    for (const std::vector<std::string>& args : runs) {
        SCOPED_TRACE(args.size());
        const RecordedRun run = recordRun(args);
        const int32_t steps = run.record.stepCount();
        const std::vector<std::vector<int32_t>> changes =
            decodeChanges(decodeBase64(encodeBase64(encodeChanges(run.record))), steps);
        ReplayState replayed =
            decodeCheckpoint(encodeCheckpoint(seededState(run.record)), 0, run.record.tileCount());
        ReplayState direct = seededState(run.record);
        for (int32_t step = 0; step <= steps; ++step) {
            if (step > 0) {
                ++replayed.step;
                for (const int32_t tile : changes[static_cast<std::size_t>(step)]) {
                    int32_t& born = replayed.birthStep[static_cast<std::size_t>(tile)];
                    born = born < 0 ? step : -1;
                }
                advance(run.record, direct);
            }
            std::vector<uint8_t> alive;
            std::vector<uint32_t> ages;
            for (const int32_t born : replayed.birthStep) {
                alive.push_back(born >= 0 ? 1 : 0);
                ages.push_back(born >= 0 ? static_cast<uint32_t>(step - born + 1) : 0);
            }
            ASSERT_EQ(alive, run.alive[static_cast<std::size_t>(step)]) << "step " << step;
            ASSERT_EQ(ages, run.ages[static_cast<std::size_t>(step)]) << "step " << step;
            ASSERT_EQ(direct.birthStep, replayed.birthStep) << "step " << step;
            const ReplayState checkpoint = decodeCheckpoint(
                decodeBase64(encodeBase64(encodeCheckpoint(direct))), step, run.record.tileCount());
            ASSERT_EQ(checkpoint.birthStep, direct.birthStep) << "step " << step;
        }
    }
}

TEST(PageData, DamagedDataIsRejected) {
    // Two tiles; a checkpoint naming tile 2 or an age older than its step is refused.
    std::string badTile;
    appendVarint(badTile, 1);
    appendVarint(badTile, 2);
    appendVarint(badTile, 0);
    EXPECT_THROW(decodeCheckpoint(badTile, 0, 2), std::runtime_error);
    std::string tooOld;
    appendVarint(tooOld, 1);
    appendVarint(tooOld, 0);
    appendVarint(tooOld, 4);
    EXPECT_THROW(decodeCheckpoint(tooOld, 3, 2), std::runtime_error);
    std::string trailing;
    appendVarint(trailing, 0);
    appendVarint(trailing, 0);
    EXPECT_THROW(decodeChanges(trailing, 1), std::runtime_error);
}

// Geometry read back lands within rounding of the SVG picture's coordinates.
TEST(PageData, GeometryDecodesToPictureCoordinates) {
    const Tiling tiling = buildWorld(parseOptions({"v", "--depth", "2"}).options);
    const std::string bytes = encodeGeometry(tiling);
    double minX = tiling[0].polygon[0].x, minY = tiling[0].polygon[0].y;
    for (const Tile& tile : tiling) {
        for (const Vec2& p : tile.polygon) {
            minX = std::min(minX, p.x);
            minY = std::min(minY, p.y);
        }
    }
    std::size_t position = 0;
    int64_t x = 0, y = 0;
    const auto unzigzag = [](uint64_t v) {
        return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
    };
    for (const Tile& tile : tiling) {
        ASSERT_EQ(readVarint(bytes, position), tile.polygon.size());
        for (const Vec2& p : tile.polygon) {
            x += unzigzag(readVarint(bytes, position));
            y += unzigzag(readVarint(bytes, position));
            EXPECT_NEAR(x / kGeometryScale, (p.x - minX) + kPictureMargin, 0.5 / kGeometryScale);
            EXPECT_NEAR(y / kGeometryScale, (p.y - minY) + kPictureMargin, 0.5 / kGeometryScale);
        }
    }
    EXPECT_EQ(position, bytes.size());
}

// ---- The program --------------------------------------------------------------------------

using Outcome = testrun::RunResult;

Outcome runView(const std::vector<std::string>& args) {
    return testrun::runInProcess(args, runQuorvelView);
}

Outcome runPlain(const std::vector<std::string>& args) {
    return testrun::runInProcess(args);
}

class ViewProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("quorvel-view-test-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

TEST_F(ViewProgram, ArgumentErrorsReadAsInQuorvel) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"v", "--html"}, "error: Missing value after --html\n"},
        {{"v", "--depth"}, "error: Missing value after --depth\n"},
        {{"v", "--bogus", "--help"}, "error: Unknown argument: --bogus\n"},
        {{"v", "--html=x"}, "error: Unknown argument: --html=x\n"},
        {{"v", "--depth", "x", "--bogus"}, "error: invalid stoi argument\n"},
        {{"v", "--seed", "99999999999999999999"}, "error: stoull argument out of range\n"},
        {{"v", "--density", "1e999"}, "error: stod argument out of range\n"},
        {{"v", "--root", "delta", "--html", "x"}, "error: Unsupported root tile: delta\n"},
        {{"v", "--tiling"}, "error: Missing value after --tiling\n"},
        {{"v", "--tiling", "Spectre", "--html", "x"}, "error: Unsupported tiling: Spectre\n"},
        {{"v", "--tiling", ""}, "error: Unsupported tiling: \n"},
        {{"v", "--tiling", "hat", "--depth", "x"}, "error: invalid stoi argument\n"},
    };
    for (const auto& [args, err] : cases) {
        SCOPED_TRACE(args[1]);
        const Outcome outcome = runView(args);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, err);
    }
}

TEST_F(ViewProgram, QuorvelItselfRejectsHtml) {
    const Outcome outcome = runPlain({"quorvel", "--html", path("page.html")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "error: Unknown argument: --html\n");
    EXPECT_FALSE(std::filesystem::exists(path("page.html")));
}

TEST_F(ViewProgram, UsageIsQuorvelsWithItsOwnNameAndHtml) {
    std::ostringstream plain;
    printUsage(plain);
    std::string expected = plain.str();
    expected.replace(0, std::string("quorvel [options]").size(), "quorvel-view [options]");
    const std::string helpLine = "  --help             show this help\n";
    expected.insert(expected.find(helpLine),
                    "  --tiling NAME      quorvel | spectre (default quorvel)\n"
                    "  --html PATH        write the interactive page (default quorvel.html)\n");
    // --help wins over an earlier bad root and stops before a later unknown argument.
    const Outcome outcome = runView({"v", "--root", "Foo", "--tiling", "hat", "--help", "--bogus"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, expected);
    EXPECT_EQ(outcome.err, "");
}

TEST_F(ViewProgram, ReportIsQuorvelsThenPeriodAndPage) {
    const std::vector<std::vector<std::string>> runs = {
        {"--steps", "40"},
        {"--depth", "2", "--steps", "12", "--birth", "2", "--svg", path("a.svg")},
        {"--steps", "0", "--density", "0"},
    };
    for (const std::vector<std::string>& run : runs) {
        SCOPED_TRACE(run[1]);
        std::vector<std::string> plainArgs = {"quorvel"};
        plainArgs.insert(plainArgs.end(), run.begin(), run.end());
        std::vector<std::string> viewArgs = plainArgs;
        viewArgs[0] = "quorvel-view";
        viewArgs.push_back("--html");
        viewArgs.push_back(path("page.html"));
        const Outcome plain = runPlain(plainArgs);
        const Outcome view = runView(viewArgs);
        std::ostringstream periodLine;
        writePeriodLine(periodLine, detectPeriod(recordRun(plainArgs).record));
        EXPECT_EQ(view.status, 0);
        EXPECT_EQ(view.err, "");
        EXPECT_EQ(view.out, plain.out + periodLine.str() + "html=" + path("page.html") + "\n");
        std::ifstream page(path("page.html"));
        std::string firstLine;
        std::getline(page, firstLine);
        EXPECT_EQ(firstLine, "<!DOCTYPE html>");
    }
}

// Relative page paths: the default, and a value that looks like an option.
TEST_F(ViewProgram, PagePathsRelativeToTheWorkingDirectory) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"v", "--steps", "1"}, "quorvel.html"},
        {{"v", "--steps", "1", "--html", "--help"}, "--help"},
    };
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    for (const auto& [args, page] : cases) {
        const Outcome outcome = runView(args);
        EXPECT_EQ(outcome.status, 0);
        const std::string last = "html=" + page + "\n";
        EXPECT_EQ(outcome.out.substr(outcome.out.size() - last.size()), last);
        EXPECT_TRUE(std::filesystem::exists(dir_ / page)) << page;
    }
    std::filesystem::current_path(before);
}

TEST_F(ViewProgram, UnwritablePageFailsAfterTheReport) {
    const std::string missing = path("no-such-dir/page.html");
    const Outcome outcome = runView({"v", "--steps", "2", "--html", missing});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "error: Unable to write HTML: " + missing + "\n");
    const Outcome plain = runPlain({"quorvel", "--steps", "2"});
    EXPECT_EQ(outcome.out, plain.out + "period=none\n");
    EXPECT_FALSE(std::filesystem::exists(path("no-such-dir")));
}

TEST_F(ViewProgram, PageCarriesNoAddressToFetch) {
    ASSERT_EQ(runView({"v", "--steps", "30", "--html", path("page.html")}).status, 0);
    std::ifstream file(path("page.html"), std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    for (const char* fetching :
         {"http:", "https:", "ws:", "wss:", "src=", "href=", "url(", "@import", "fetch(",
          "XMLHttpRequest", "WebSocket", "EventSource", "sendBeacon", "<link", "<iframe", "<img"}) {
        EXPECT_EQ(page.find(fetching), std::string::npos) << fetching;
    }
    EXPECT_NE(page.find("default-src 'none'"), std::string::npos);
}

// ---- The Spectre patch --------------------------------------------------------------------

TEST_F(ViewProgram, TilingNamesItselfInTheSummaryOnlyWhenSpectre) {
    const std::string rest = " root=Delta rule=B3/S2-3 weight=1 density=0.42 seed=1";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--tiling", "spectre", "--depth", "9"}, "tiles=34649 depth=5" + rest + " tiling=spectre"},
        {{"--tiling", "spectre", "--depth", "-1", "--root", "Gamma"},
         "tiles=2 depth=0 root=Gamma rule=B3/S2-3 weight=1 density=0.42 seed=1 tiling=spectre"},
        {{"--tiling", "quorvel"}, "tiles=559 depth=3" + rest},
        {{"--tiling", "spectre", "--tiling", "quorvel"}, "tiles=559 depth=3" + rest},
    };
    for (const auto& [options, summary] : cases) {
        SCOPED_TRACE(summary);
        std::vector<std::string> args = {"quorvel-view", "--steps", "0", "--html", ""};
        args.insert(args.end(), options.begin(), options.end());
        const Outcome outcome = runView(args);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.err, "");
        EXPECT_EQ(outcome.out, "Quorvel\n" + summary + "\nperiod=none\n");
    }
}

// The whole program on the Spectre patch, step by step against the plain reading: text-keyed
// face graph, every sum recounted from the slots. An empty --html writes no page and no line.
TEST_F(ViewProgram, SpectreRunMatchesThePlainReadingAndEmptyHtmlWritesNoPage) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    const Outcome outcome = runView({"v", "--tiling", "spectre", "--depth", "3", "--html", ""});
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::is_empty(dir_));

    const Options options;
    Tiling plain = expandPatch(options.root, options.depth, TilingKind::Spectre);
    reference::buildFaceGraphPlain(plain);
    seedPopulation(plain, options.seed, options.density);
    RecordedRun run{plain, RunRecord(plain), {}, {}};
    snapshot(plain, run);
    std::string expected =
        "Quorvel\ntiles=559 depth=3 root=Delta rule=B3/S2-3 weight=1 "
        "density=0.42 seed=1 tiling=spectre\n";
    for (int32_t step = 1; step <= options.steps; ++step) {
        stepAutomaton(plain, options.birth, options.surviveMin, options.surviveMax,
                      options.faceWeight);
        snapshot(plain, run);
        int32_t live = 0;
        uint32_t maxAge = 0;
        for (const Tile& tile : plain) {
            live += tile.alive ? 1 : 0;
            maxAge = std::max(maxAge, tile.age);
        }
        expected += "step=" + std::to_string(step) + " alive=" + std::to_string(live) +
                    " max_age=" + std::to_string(maxAge) + "\n";
    }
    std::ostringstream periodLine;
    writePeriodLine(periodLine, periodBySnapshots(run));
    expected += periodLine.str();
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, expected);
}

}  // namespace
}  // namespace quorvel
