#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "Reference.h"
#include "automaton/Automaton.h"
#include "automaton/Population.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "cli/Version.h"
#include "render/PictureStyle.h"
#include "run/HardwareThreads.h"
#include "run/LatestStepByHash.h"
#include "run/Options.h"
#include "run/Period.h"
#include "run/RunPipeline.h"
#include "run/RunRecord.h"
#include "run/World.h"
#include "support/BuiltPrograms.h"
#include "support/FileText.h"
#include "support/InProcessRun.h"
#include "support/TempDirTest.h"
#include "support/TestWorlds.h"
#include "tiling/Patch.h"
#include "view/PageData.h"
#include "view/PageWriter.h"
#include "view/ViewDriver.h"

namespace quorvel {
namespace {

// ---- Recording real runs ------------------------------------------------------------------

// The live flags and ages of every tile after each step 0..steps, read from the automaton.
struct RecordedRun {
    std::vector<std::vector<uint8_t>> alive;
    std::vector<std::vector<uint32_t>> ages;
};

void snapshot(const Automaton& automaton, RecordedRun& run) {
    Population population = automaton.population();
    run.alive.push_back(std::move(population.alive));
    run.ages.push_back(std::move(population.age));
}

// Steps an automaton from `start` on `faces` `steps` times through a RunRecord, as
// quorvel-view does, and snapshots every step when `run` is given.
RunRecord recordSteps(const FaceGraph& faces, const Rule& rule, const Population& start,
                      int32_t steps, const CheckpointPolicy& policy, LiveSetKey key,
                      RecordedRun* run = nullptr) {
    Automaton automaton(std::make_shared<const StepGraph>(buildStepGraph(faces, rule.faceWeight)),
                        rule, start);
    RunRecord record(automaton, policy, key);
    if (run != nullptr) {
        snapshot(automaton, *run);
    }
    for (int32_t step = 1; step <= steps; ++step) {
        automaton.step();
        record.addStep(automaton);
        if (run != nullptr) {
            snapshot(automaton, *run);
        }
    }
    return record;
}

struct RecordedWithRecord {
    RecordedRun run;
    RunRecord record;
};

RecordedWithRecord recordRun(const std::vector<std::string>& args,
                             const CheckpointPolicy& policy = {}, LiveSetKey key = liveSetKey) {
    const Options options = parseOptions(args).options;
    const World world = buildWorld(options);
    RecordedRun run;
    RunRecord record =
        recordSteps(world.faces, ruleOf(options),
                    seedPopulation(world.tiling.size(), options.seed, options.density),
                    options.steps, policy, key, &run);
    return {std::move(run), std::move(record)};
}

// Tiles without neighbours: each follows the rule on sum 0 alone.
FaceGraph isolatedTiles(std::size_t tileCount) {
    return FaceGraph{std::vector<int32_t>(tileCount * FaceGraph::kSlotsPerTile, -1)};
}

// Live where the age is above 0.
Population populationOfAges(const std::vector<uint32_t>& ages) {
    Population population{std::vector<uint8_t>(ages.size()), ages};
    for (std::size_t t = 0; t < ages.size(); ++t) {
        population.alive[t] = ages[t] > 0 ? 1 : 0;
    }
    return population;
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

// Every live set hashes alike, so every step is a candidate repeat of every earlier one.
uint64_t collidingKey(int32_t) {
    return 0;
}
// Only the parity of the live tiles' indices is seen: distinct sets collide often.
uint64_t weakKey(int32_t tile) {
    return static_cast<uint64_t>(tile & 1);
}

// A checkpoint every step, thinned hard: a confirmation re-simulates from far back.
const CheckpointPolicy kSparseCheckpoints{1, 1};

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

// With the real key, a key under which every set collides, and one under which many do, and
// checkpoints from every step to only the first and the latest, with repeats confirmed from the
// flip log, from a log too short for some, or always by re-simulation: the same period every
// time.
TEST(PeriodDetection, KnownRunsAgreeWithWholeStateComparisonWhateverTheHash) {
    const std::vector<std::pair<const char*, LiveSetKey>> keys = {
        {"real", liveSetKey}, {"colliding", collidingKey}, {"weak", weakKey}};
    CheckpointPolicy shortLog = kSparseCheckpoints;
    shortLog.flipLogEntries = 40;
    CheckpointPolicy noLog = kSparseCheckpoints;
    noLog.flipLogEntries = 0;
    CheckpointPolicy everyStepNoLog{1, 1u << 30};
    everyStepNoLog.flipLogEntries = 0;
    const std::vector<CheckpointPolicy> policies = {
        CheckpointPolicy{}, CheckpointPolicy{1, 1u << 30}, kSparseCheckpoints, shortLog, noLog,
        everyStepNoLog};
    for (const PeriodCase& c : kPeriodCases) {
        SCOPED_TRACE(c.what);
        const Period plain = periodBySnapshots(recordRun(c.args).run);
        EXPECT_EQ(plain.length, c.length);
        EXPECT_EQ(plain.fromStep, c.fromStep);
        for (const auto& [name, key] : keys) {
            for (const CheckpointPolicy& policy : policies) {
                SCOPED_TRACE(name);
                const Period period = recordRun(c.args, policy, key).record.period();
                EXPECT_EQ(period.length, c.length);
                EXPECT_EQ(period.fromStep, c.fromStep);
            }
        }
    }
}

// A busy run whose live sets never repeat, under a key that makes many steps' hashes repeat:
// no period may be reported.
TEST(PeriodDetection, RepeatedHashesOfDifferentSetsAreNoPeriod) {
    const std::vector<std::string> args = {"v", "--depth", "3", "--steps", "80", "--birth", "2"};
    const RecordedWithRecord real = recordRun(args);
    ASSERT_EQ(periodBySnapshots(real.run).length, 0);
    EXPECT_EQ(real.record.period().length, 0);
    CheckpointPolicy noLog = kSparseCheckpoints;
    noLog.flipLogEntries = 0;
    for (const CheckpointPolicy& policy : {kSparseCheckpoints, noLog}) {
        const RecordedWithRecord weak = recordRun(args, policy, weakKey);
        EXPECT_EQ(weak.record.period().length, 0);
        EXPECT_EQ(weak.record.period().fromStep, 0);
    }
}

TEST(PeriodDetection, OscillatorRepeatsItsLiveSetAndNoEarlierStepDoes) {
    const RecordedRun run = recordRun({"v"}).run;
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

// Hand-made worlds of tiles without neighbours.
struct HandCase {
    const char* what;
    std::vector<bool> seeded;
    Rule rule;
    int32_t steps;
    int32_t length;
    int32_t fromStep;
};

TEST(PeriodDetection, HandMadeWorlds) {
    const std::vector<HandCase> cases = {
        // Born on sum 0, dies on it: {0} -> {} -> {0}, step 2 repeats the seed.
        {"blinker back to the seed", {true}, Rule{0, 1, 1, 1}, 5, 2, 2},
        // A survivor and a newborn: {0} -> {0, 1} -> {0, 1}.
        {"still from step 2", {true, false}, Rule{0, 0, 0, 1}, 5, 1, 2},
        {"empty from the start", {false, false}, Rule{3, 2, 3, 1}, 2, 1, 1},
        {"one step only", {true}, Rule{0, 1, 1, 1}, 1, 0, 0},
    };
    for (const HandCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (const LiveSetKey key : {liveSetKey, collidingKey}) {
            std::vector<uint32_t> ages;
            for (const bool alive : c.seeded) {
                ages.push_back(alive ? 1 : 0);
            }
            const RunRecord record =
                recordSteps(isolatedTiles(ages.size()), c.rule, populationOfAges(ages), c.steps,
                            kSparseCheckpoints, key);
            EXPECT_EQ(record.period().length, c.length);
            EXPECT_EQ(record.period().fromStep, c.fromStep);
        }
    }
}

TEST(PeriodDetection, PeriodLine) {
    std::ostringstream found, none;
    writePeriodLine(found, Period{6, 27});
    writePeriodLine(none, Period{});
    EXPECT_EQ(found.str(), "period=6 from_step=27\n");
    EXPECT_EQ(none.str(), "period=none\n");
}

// ---- Checkpoints and live counts ----------------------------------------------------------

// Every checkpoint kept holds exactly its step's live tiles and ages; the live counts are the
// run's; the budget thins them but keeps step 0 and the latest.
// Against a plain map, through hashes that share their mixed slot, hashes 0 and all ones,
// growth well past the first table, and a clear between two runs.
TEST(LatestStepByHash, AgreesWithAPlainMap) {
    LatestStepByHash table;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        std::map<uint64_t, int32_t> plain;
        table.clear();
        for (int32_t step = 0; step < 5000; ++step) {
            // Few distinct values, so most steps repeat an earlier hash.
            const uint64_t hash = step % 7 == 0   ? ~uint64_t{0}
                                  : step % 5 == 0 ? 0
                                                  : uint64_t(step % 1500 + run) << 40;
            const auto found = plain.find(hash);
            const int32_t expected = found == plain.end() ? -1 : found->second;
            ASSERT_EQ(table.exchange(hash, step), expected) << step;
            plain[hash] = step;
        }
    }
}

TEST(RunRecord, CheckpointsHoldTheirStepsStatesWithinTheBudget) {
    const std::vector<std::string> args = {"v", "--depth", "3", "--steps", "200", "--birth", "2"};
    for (const CheckpointPolicy& policy :
         {CheckpointPolicy{}, CheckpointPolicy{1, 1u << 30}, CheckpointPolicy{500, 4000}}) {
        SCOPED_TRACE(policy.budgetBytes);
        const RecordedWithRecord recorded = recordRun(args, policy);
        const RunRecord& record = recorded.record;
        ASSERT_EQ(record.stepCount(), 200);
        for (int32_t step = 0; step <= 200; ++step) {
            const std::vector<uint8_t>& alive = recorded.run.alive[static_cast<std::size_t>(step)];
            EXPECT_EQ(record.liveCounts()[static_cast<std::size_t>(step)],
                      std::count(alive.begin(), alive.end(), 1));
        }
        const std::vector<Checkpoint>& checkpoints = record.checkpoints();
        ASSERT_GE(checkpoints.size(), 1u);
        EXPECT_EQ(checkpoints.front().step, 0);
        std::size_t bytes = 0;
        const std::size_t tileCount = recorded.run.alive.front().size();
        for (std::size_t k = 0; k < checkpoints.size(); ++k) {
            if (k > 0) {
                EXPECT_LT(checkpoints[k - 1].step, checkpoints[k].step);
            }
            bytes += checkpoints[k].bytes.size();
            const Population loaded =
                loadCheckpoint(checkpoints[k].bytes, checkpoints[k].step, tileCount);
            const auto step = static_cast<std::size_t>(checkpoints[k].step);
            ASSERT_EQ(loaded.alive, recorded.run.alive[step]) << step;
            ASSERT_EQ(loaded.age, recorded.run.ages[step]) << step;
        }
        if (checkpoints.size() > 2) {
            EXPECT_LE(bytes, policy.budgetBytes);
        }
        if (policy.workBetween == 1 && policy.budgetBytes > 1000000) {
            EXPECT_EQ(checkpoints.size(), 201u);
        }
    }
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

TEST(PageData, Base64MatchesTheStandardVectors) {
    const std::vector<std::pair<std::string, std::string>> vectors = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xFB\xEF\xBE\x00", 4), "++++AA=="},
        {"\xFF\xFF\xFF", "////"},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(encodeBase64(bytes), text);
    }
}

// Few live tiles come as a list, many as a bitmap; both read back to the same states.
TEST(PageData, CheckpointsRoundTripAsListOrBitmap) {
    const std::vector<std::pair<const char*, std::vector<uint32_t>>> cases = {
        {"empty", std::vector<uint32_t>(20, 0)},
        {"sparse", {0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 300, 0, 0, 1}},
        {"dense", {1, 2, 3, 0, 5, 200, 1, 1, 0, 1, 9, 9, 9, 9, 0, 1, 1, 1, 4, 1}},
        {"all", std::vector<uint32_t>(20, 1)},
    };
    for (const auto& [what, ages] : cases) {
        SCOPED_TRACE(what);
        const Automaton automaton(
            std::make_shared<const StepGraph>(buildStepGraph(isolatedTiles(ages.size()), 1)),
            Rule{}, populationOfAges(ages));
        const std::string bytes = encodeCheckpoint(automaton);
        std::size_t position = 0;
        const uint64_t kind = readVarint(bytes, position);
        const auto live = static_cast<uint64_t>(
            std::count_if(ages.begin(), ages.end(), [](uint32_t a) { return a > 0; }));
        EXPECT_EQ(kind, live > 3 ? kCheckpointBitmap : kCheckpointList);  // 3 bitmap bytes
        const Population loaded = loadCheckpoint(bytes, 300, ages.size());
        EXPECT_EQ(loaded.alive, populationOfAges(ages).alive);
        EXPECT_EQ(loaded.age, ages);
    }
}

TEST(PageData, DamagedCheckpointsAreRejected) {
    // Two tiles (one bitmap byte); each case is refused with its own message.
    const auto bytesOf = [](std::initializer_list<uint64_t> values) {
        std::string bytes;
        for (const uint64_t v : values) {
            appendVarint(bytes, v);
        }
        return bytes;
    };
    const std::vector<std::tuple<const char*, std::string, int32_t, std::string>> cases = {
        {"tile 2 of 2", bytesOf({0, 1, 2, 0}), 0, "Tile index out of range in page data"},
        {"age over the step", bytesOf({0, 1, 0, 4}), 3, "Age out of range in page data"},
        {"trailing bytes", bytesOf({0, 0, 0}), 0, "Trailing bytes in page data"},
        {"unknown kind", bytesOf({2, 0}), 0, "Unknown checkpoint kind in page data"},
        {"bitmap too short", bytesOf({1, 1}), 0, "Truncated page data"},
        {"bitmap with too few tiles", bytesOf({1, 2, 0b01, 0, 0}), 0,
         "Tile index out of range in page data"},
        {"bitmap past the tiles", bytesOf({1, 1, 0b100, 0}), 0,
         "Tile index out of range in page data"},
    };
    for (const auto& [what, bytes, step, message] : cases) {
        SCOPED_TRACE(what);
        try {
            loadCheckpoint(bytes, step, 2);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
}

namespace {

int64_t unzigzag(uint64_t v) {
    return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

// The step graph read back as (v, u, weight) triples, both ways for a symmetric one.
std::vector<std::tuple<int32_t, int32_t, int32_t>> decodedStepGraph(const std::string& bytes,
                                                                    std::size_t tiles,
                                                                    bool symmetric) {
    std::vector<std::tuple<int32_t, int32_t, int32_t>> entries;
    std::size_t position = 0;
    for (std::size_t v = 0; v < tiles; ++v) {
        const uint64_t count = readVarint(bytes, position);
        int64_t u = static_cast<int64_t>(v);
        for (uint64_t k = 0; k < count; ++k) {
            const uint64_t value = readVarint(bytes, position);
            u = k == 0 && !symmetric ? static_cast<int64_t>(v) + unzigzag(value >> 1)
                                     : u + static_cast<int64_t>(value >> 1);
            const auto weight =
                static_cast<int32_t>((value & 1) ? readVarint(bytes, position) + 2 : 1);
            entries.emplace_back(static_cast<int32_t>(v), static_cast<int32_t>(u), weight);
            if (symmetric && u != static_cast<int64_t>(v)) {
                entries.emplace_back(static_cast<int32_t>(u), static_cast<int32_t>(v), weight);
            }
        }
    }
    EXPECT_EQ(position, bytes.size());
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::tuple<int32_t, int32_t, int32_t>> entriesOf(const Neighbourhood& graph) {
    std::vector<std::tuple<int32_t, int32_t, int32_t>> entries;
    for (std::size_t v = 0; v < graph.tileCount(); ++v) {
        for (uint32_t k = graph.start[v]; k < graph.start[v + 1]; ++k) {
            entries.emplace_back(static_cast<int32_t>(v), graph.tiles[k], graph.weights[k]);
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

}  // namespace

// Placements read back are the tiling's own, exactly, on both patches.
TEST(PageData, PlacementsReadBackExactly) {
    for (const auto& [kind, depth] : std::vector<std::pair<TilingKind, int32_t>>{
             {TilingKind::Quorvel, 3}, {TilingKind::Spectre, 4}}) {
        const Tiling tiling = expandPatch("Delta", depth, kind);
        const std::string bytes = encodePlacements(tiling);
        std::size_t position = 0;
        LatticePoint shift;
        for (std::size_t t = 0; t < tiling.size(); ++t) {
            const uint64_t orientation = readVarint(bytes, position);
            shift.c0 += static_cast<int32_t>(unzigzag(readVarint(bytes, position)));
            shift.c1 += static_cast<int32_t>(unzigzag(readVarint(bytes, position)));
            shift.c2 += static_cast<int32_t>(unzigzag(readVarint(bytes, position)));
            shift.c3 += static_cast<int32_t>(unzigzag(readVarint(bytes, position)));
            const Placement read{static_cast<uint8_t>(orientation % 12), orientation >= 12, shift};
            ASSERT_EQ(read, tiling.placements[t]) << "tile " << t;
        }
        EXPECT_EQ(position, bytes.size());
        // Neighbours in the expansion lie close: a few bytes a tile.
        EXPECT_LT(bytes.size(), 8 * tiling.size());
    }
}

// The step graph read back names every dependant with its weight, whether written whole or,
// for a symmetric graph, by its upper half; a weight above 1 (quorvel's patch at weight 3 has
// tiles sharing several faces) survives the trip.
TEST(PageData, StepGraphReadsBackBothWays) {
    const World quorvels = buildWorld(parseOptions({"v", "--depth", "3"}).options);
    const World spectre =
        buildWorld(parseOptions({"v", "--depth", "3"}).options, TilingKind::Spectre);
    for (const World* world : {&quorvels, &spectre}) {
        const StepGraph graph = buildStepGraph(world->faces, kPageFaceWeight);
        const auto expected = entriesOf(*graph.dependants);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(decodedStepGraph(encodeStepGraph(*graph.dependants, false), world->tiling.size(),
                                   false),
                  expected);
        if (graph.symmetric()) {
            EXPECT_EQ(decodedStepGraph(encodeStepGraph(*graph.dependants, true),
                                       world->tiling.size(), true),
                      expected);
        }
    }
    const StepGraph heavy = buildStepGraph(quorvels.faces, 3);
    const auto entries = entriesOf(*heavy.dependants);
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](const auto& e) { return std::get<2>(e) > 1; }));
}

// The checksum is FNV-1a: the standard vectors, and a single changed byte changes it.
TEST(PageData, ChecksumIsFnv1a) {
    EXPECT_EQ(fnv1a32(""), 0x811c9dc5u);
    EXPECT_EQ(fnv1a32("a"), 0xe40c292cu);
    EXPECT_EQ(fnv1a32("foobar"), 0xbf9cf968u);
    EXPECT_NE(fnv1a32("{\"tiles\":559}"), fnv1a32("{\"tiles\":558}"));
}

// ---- The program --------------------------------------------------------------------------

using Outcome = testrun::RunResult;

Outcome runView(const std::vector<std::string>& args) {
    return testrun::runInProcess(args, runQuorvelView);
}

Outcome runPlain(const std::vector<std::string>& args) {
    return testrun::runInProcess(args);
}

class ViewProgram : public testsupport::TempDirTest {};

// As in quorvel, except that a conversion error names its option.
TEST_F(ViewProgram, ArgumentErrorsReadAsInQuorvel) {
    const auto repeated = [](const std::string& text, int count) {
        std::string out;
        for (int i = 0; i < count; ++i) {
            out += text;
        }
        return out;
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"v", "--html"}, "error: Missing value after --html\n"},
        {{"v", "--depth"}, "error: Missing value after --depth\n"},
        {{"v", "--bogus", "--help"}, "error: Unknown argument: --bogus\n"},
        {{"v", "--html=x"}, "error: Unknown argument: --html=x\n"},
        {{"v", "--depth", "x", "--bogus"}, "error: --depth: invalid stoi argument\n"},
        {{"v", "--seed", "99999999999999999999"}, "error: --seed: stoull argument out of range\n"},
        {{"v", "--density", "1e999"}, "error: --density: stod argument out of range\n"},
        {{"v", "--threads", "many"}, "error: --threads: invalid stoi argument\n"},
        {{"v", "--root", "delta", "--html", "x"}, "error: Unsupported root tile: delta\n"},
        {{"v", "--tiling"}, "error: Missing value after --tiling\n"},
        {{"v", "--tiling", "Spectre", "--html", "x"}, "error: Unsupported tiling: Spectre\n"},
        {{"v", "--tiling", ""}, "error: Unsupported tiling: \n"},
        {{"v", "--tiling", "hat", "--depth", "x"}, "error: --depth: invalid stoi argument\n"},
        // Raw bytes of an argument are shown escaped, on one line, and a long one is cut.
        {{"v", "--root", "Delta\n"}, "error: Unsupported root tile: Delta\\n\n"},
        {{"v", "--\x1b[2Jx\t\x7f"}, "error: Unknown argument: --\\x1b[2Jx\\t\\x7f\n"},
        {{"v", "--" + std::string(131072, 'a')},
         "error: Unknown argument: --" + std::string(680, 'a') + "...[130192 bytes]..." +
             std::string(200, 'a') + "\n"},
        // Cut by the length shown, so that escaping cannot make the line four times as long:
        // 23 bytes of message and 169 escaped bytes fill 699 of the head's 700.
        {{"v", "--root", std::string(400, '\x01')},
         "error: Unsupported root tile: " + repeated("\\x01", 169) + "...[181 bytes]..." +
             repeated("\\x01", 50) + "\n"},
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
    std::string expected = testrun::usageText();
    expected.replace(0, std::string("quorvel [options]").size(), "quorvel-view [options]");
    const std::string helpLine = "  --help             show this help\n";
    expected.insert(expected.find("  --face-weight"),
                    "  --rule RULE        birth/survive sets such as B2,5/S1,3-4 (not with "
                    "--birth)\n");
    expected.insert(expected.find(helpLine),
                    "  --neighbourhood NAME face | vertex (the face weight caps face neighbours "
                    "only) (default face)\n"
                    "  --tiling NAME      quorvel | spectre (default quorvel)\n"
                    "  --html PATH        write the interactive page (default quorvel.html)\n"
                    "  --export PATH      write the tiles as data: .csv or .jsonl\n"
                    "  --threads N        threads that step the run, at most the hardware's "
                    "(default 1)\n"
                    "  --version          show the version (" +
                        std::string(kVersion) + ")\n");
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
        writePeriodLine(periodLine, periodBySnapshots(recordRun(plainArgs).run));
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
    std::filesystem::current_path(dir());
    for (const auto& [args, page] : cases) {
        const Outcome outcome = runView(args);
        EXPECT_EQ(outcome.status, 0);
        const std::string last = "html=" + page + "\n";
        EXPECT_EQ(outcome.out.substr(outcome.out.size() - last.size()), last);
        EXPECT_TRUE(std::filesystem::exists(dir() / page)) << page;
    }
    std::filesystem::current_path(before);
}

// Depth 7 is the deepest page; depth 8 is refused in one line before any run.
TEST_F(ViewProgram, PagesGoUpToDepthSeven) {
    const Outcome refused =
        runView({"v", "--tiling", "spectre", "--depth", "8", "--html", path("page.html")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "error: Unable to write HTML at depth 8: pages go up to depth 7 "
              "(--html '' runs without one)\n");
    EXPECT_FALSE(std::filesystem::exists(path("page.html")));
    EXPECT_EQ(kLargestPageDepth, 7);
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
    std::string page = testsupport::readFile(path("page.html"));
    // The SVG namespace, which the page's SVG snapshot names, is a name and is never fetched.
    for (std::size_t at = page.find(kSvgNamespace); at != std::string::npos;
         at = page.find(kSvgNamespace)) {
        page.erase(at, std::strlen(kSvgNamespace));
    }
    for (const char* fetching :
         {"http:", "https:", "ws:", "wss:", "src=", "href=", "url(", "@import", "fetch(",
          "XMLHttpRequest", "WebSocket", "EventSource", "sendBeacon", "<link", "<iframe", "<img"}) {
        EXPECT_EQ(page.find(fetching), std::string::npos) << fetching;
    }
    EXPECT_NE(page.find("default-src 'none'"), std::string::npos);
}

// --version, like --help, ends the parsing where it stands: earlier errors are reported,
// later arguments are not looked at, and no run happens.
TEST_F(ViewProgram, VersionIsOneLineAndEndsTheParsing) {
    const std::string version = "quorvel-view " + std::string(kVersion) + "\n";
    // X.Y.Z, three numbers.
    std::istringstream parts(kVersion);
    std::string part;
    int count = 0;
    while (std::getline(parts, part, '.')) {
        ++count;
        EXPECT_TRUE(!part.empty() && part.find_first_not_of("0123456789") == std::string::npos)
            << kVersion;
    }
    EXPECT_EQ(count, 3) << kVersion;
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"v", "--version"}, 0, version, ""},
        {{"v", "--root", "Foo", "--depth", "9", "--version", "--bogus"}, 0, version, ""},
        {{"v", "--version", "--help"}, 0, version, ""},
        {{"v", "--bogus", "--version"}, 1, "", "error: Unknown argument: --bogus\n"},
        {{"v", "--depth", "x", "--version"}, 1, "", "error: --depth: invalid stoi argument\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size());
        const Outcome outcome = runView(c.args);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.out, c.out);
        EXPECT_EQ(outcome.err, c.err);
    }
    EXPECT_EQ(runPlain({"quorvel", "--version"}).err, "error: Unknown argument: --version\n");
    // As the value of --html it is a file name.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir());
    const Outcome named = runView({"v", "--steps", "1", "--html", "--version"});
    std::filesystem::current_path(before);
    EXPECT_EQ(named.status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir() / "--version"));
}

TEST(ViewBinary, PrintsItsVersion) {
    const testsupport::ShellResult shell =
        testsupport::shellOutput("'" + testsupport::programPath("quorvel-view") + "' --version");
    EXPECT_EQ(shell.status, 0);
    EXPECT_EQ(shell.out, "quorvel-view " + std::string(kVersion) + "\n");
}

// ---- The Spectre patch --------------------------------------------------------------------

// The depth is clamped to 0..8 on the Spectre patch and to 0..5 on quorvel's, whichever
// --tiling comes last; --threads to 1..the hardware threads. Read from the parsed settings:
// a world beyond depth 6 is too large to build in a test.
TEST(ViewOptions, DepthAndThreadsClampByTiling) {
    struct Case {
        std::vector<std::string> args;
        int32_t depth;
        int32_t threads;
    };
    const int32_t hardware = hardwareThreads();
    const std::vector<Case> cases = {
        {{"--tiling", "spectre", "--depth", "9"}, 8, 1},
        {{"--tiling", "spectre", "--depth", "8"}, 8, 1},
        {{"--depth", "7", "--tiling", "spectre"}, 7, 1},
        {{"--tiling", "spectre", "--depth", "-1"}, 0, 1},
        {{"--depth", "9"}, 5, 1},
        {{"--tiling", "spectre", "--tiling", "quorvel", "--depth", "7"}, 5, 1},
        {{"--threads", "0"}, 3, 1},
        {{"--threads", "-4"}, 3, 1},
        {{"--threads", "2"}, 3, std::min(2, hardware)},
        {{"--threads", "100000"}, 3, hardware},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "quorvel-view");
        const ViewSettings settings = parseViewOptions(args);
        EXPECT_EQ(settings.run.depth, c.depth);
        EXPECT_EQ(settings.threads, c.threads);
    }
}

// Each option list's run of no step and no page reports the banner, this summary line and no
// period.
void expectSummaries(const std::vector<std::pair<std::vector<std::string>, std::string>>& cases) {
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

TEST_F(ViewProgram, TilingNamesItselfInTheSummaryOnlyWhenSpectre) {
    const std::string rest = " root=Delta rule=B3/S2-3 weight=1 density=0.42 seed=1";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--tiling", "spectre", "--depth", "2"}, "tiles=71 depth=2" + rest + " tiling=spectre"},
        {{"--tiling", "spectre", "--depth", "-1", "--root", "Gamma"},
         "tiles=2 depth=0 root=Gamma rule=B3/S2-3 weight=1 density=0.42 seed=1 tiling=spectre"},
        {{"--tiling", "quorvel"}, "tiles=559 depth=3" + rest},
        {{"--tiling", "spectre", "--tiling", "quorvel"}, "tiles=559 depth=3" + rest},
    };
    expectSummaries(cases);
}

TEST_F(ViewProgram, SetRulesAndTheNeighbourhoodInTheSummary) {
    const std::string rest = " weight=1 density=0.42 seed=1";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--rule", "B5,2/S4,3,1"}, "tiles=559 depth=3 root=Delta rule=B2,5/S1,3-4" + rest},
        {{"--rule", "B/S0", "--tiling", "spectre", "--depth", "2"},
         "tiles=71 depth=2 root=Delta rule=B/S0" + rest + " tiling=spectre"},
        {{"--rule", "B3/S2-2"}, "tiles=559 depth=3 root=Delta rule=B3/S2" + rest},
        {{"--survive-max", "2"}, "tiles=559 depth=3 root=Delta rule=B3/S2-2" + rest},
        {{"--tiling", "spectre", "--depth", "2", "--neighbourhood", "vertex"},
         "tiles=71 depth=2 root=Delta rule=B3/S2-3" + rest +
             " tiling=spectre neighbourhood=vertex"},
        {{"--neighbourhood", "face"}, "tiles=559 depth=3 root=Delta rule=B3/S2-3" + rest},
        // quorvel's patch has no coinciding tiles at depth 1.
        {{"--depth", "1", "--neighbourhood", "vertex", "--rule", "B6/S"},
         "tiles=9 depth=1 root=Delta rule=B6/S" + rest + " neighbourhood=vertex"},
    };
    expectSummaries(cases);
}

TEST_F(ViewProgram, RefusesMalformedRulesAndNeighbourhoods) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--rule", "B3/S2-"}, "error: Invalid --rule: \"B3/S2-\" (expected a count at \"\")\n"},
        {{"--rule", "B99/S"}, "error: Invalid --rule: \"B99/S\" (count 99 beyond 15)\n"},
        {{"--rule", "3/23"},
         "error: Invalid --rule: \"3/23\" (expected B<counts>/S<counts>, such as B3/S2-3 or "
         "B2,5/S1,3-4)\n"},
        {{"--rule", "B3/S2\n"},
         "error: Invalid --rule: \"B3/S2\\n\" (expected a comma and a count at \"\\n\")\n"},
        {{"--birth", "2", "--rule", "B3/S2"},
         "error: --rule cannot be combined with --birth, --survive-min or --survive-max\n"},
        {{"--rule", "B3/S2", "--survive-max", "4"},
         "error: --rule cannot be combined with --birth, --survive-min or --survive-max\n"},
        {{"--rule", "B15/S"},
         "error: Rule B15/S names 15, beyond the largest neighbour count of this world, 14\n"},
        {{"--tiling", "spectre", "--neighbourhood", "vertex", "--rule", "B2/S8"},
         "error: Rule B2/S8 names 8, beyond the largest neighbour count of this world, 7\n"},
        {{"--neighbourhood", "vertex"},
         "error: Vertex neighbourhood: tile 18 shares vertices with more than 15 tiles, more "
         "than a sum can count\n"},
        {{"--neighbourhood", "edge"}, "error: Unknown neighbourhood: edge (face | vertex)\n"},
    };
    for (const auto& [options, err] : cases) {
        SCOPED_TRACE(err);
        std::vector<std::string> args = {"quorvel-view", "--steps", "1", "--html", ""};
        args.insert(args.end(), options.begin(), options.end());
        const Outcome outcome = runView(args);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, err);
    }
}

// The range rule written as a set steps, reports and draws exactly as the range options, and
// its page differs only by naming the rule.
TEST_F(ViewProgram, RangeRuleWrittenAsASetGivesTheSameFiles) {
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> pairs = {
        {{"--birth", "3", "--survive-min", "2", "--survive-max", "3"}, {"--rule", "B3/S2-3"}},
        {{"--birth", "2", "--survive-min", "1", "--survive-max", "4", "--tiling", "spectre"},
         {"--rule", "B2/S1-4", "--tiling", "spectre"}},
    };
    for (const auto& [range, set] : pairs) {
        SCOPED_TRACE(set[1]);
        std::string text[2], page[2], svg[2];
        for (int k = 0; k < 2; ++k) {
            std::vector<std::string> args = {"quorvel-view", "--steps", "30",         "--html",
                                             path("p.html"), "--svg",   path("p.svg")};
            const std::vector<std::string>& rule = k == 0 ? range : set;
            args.insert(args.end(), rule.begin(), rule.end());
            const Outcome outcome = runView(args);
            EXPECT_EQ(outcome.status, 0) << outcome.err;
            text[k] = outcome.out;
            page[k] = testsupport::readFile(path("p.html"));
            svg[k] = testsupport::readFile(path("p.svg"));
        }
        EXPECT_EQ(text[0], text[1]);
        // The set rule's page names it; the rest of the data is the same, range fields included
        // (the checksum over the data differs with it).
        const std::string named = ",\"rule\":\"" + set[1] + "\"";
        ASSERT_NE(page[1].find(named), std::string::npos);
        page[1].erase(page[1].find(named), named.size());
        const auto withoutChecksum = [](std::string html) {
            const std::string key = "data-checksum=\"";
            const std::size_t at = html.find(key);
            return at == std::string::npos ? html : html.erase(at + key.size(), 8);
        };
        EXPECT_TRUE(withoutChecksum(page[0]) == withoutChecksum(page[1]));
        EXPECT_NE(page[0], page[1]);
        EXPECT_TRUE(svg[0] == svg[1]);
    }
}

// The fat tiles' states, as snapshot() takes the automaton's.
void snapshotPlain(const reference::Tiling& tiling, RecordedRun& run) {
    std::vector<uint8_t> alive;
    std::vector<uint32_t> ages;
    for (const reference::Tile& tile : tiling) {
        alive.push_back(tile.alive ? 1 : 0);
        ages.push_back(tile.age);
    }
    run.alive.push_back(alive);
    run.ages.push_back(ages);
}

// The whole program on the Spectre patch, step by step against the plain reading: text-keyed
// face graph, every sum recounted from the slots. An empty --html writes no page and no line.
TEST_F(ViewProgram, SpectreRunMatchesThePlainReadingAndEmptyHtmlWritesNoPage) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir());
    const Outcome outcome = runView({"v", "--tiling", "spectre", "--depth", "3", "--html", ""});
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::is_empty(dir()));

    const Options options;
    reference::Tiling plain = reference::fatTiling(buildWorld(options, TilingKind::Spectre));
    reference::buildFaceGraphPlain(plain);
    reference::seedPopulationPlain(plain, options.seed, options.density);
    RecordedRun run;
    snapshotPlain(plain, run);
    std::string expected =
        "Quorvel\ntiles=559 depth=3 root=Delta rule=B3/S2-3 weight=1 "
        "density=0.42 seed=1 tiling=spectre\n";
    for (int32_t step = 1; step <= options.steps; ++step) {
        reference::stepAutomatonPlain(plain, options.birth, options.surviveMin, options.surviveMax,
                                      options.faceWeight);
        snapshotPlain(plain, run);
        int32_t live = 0;
        uint32_t maxAge = 0;
        for (const reference::Tile& tile : plain) {
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
