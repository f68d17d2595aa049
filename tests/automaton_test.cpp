#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Reference.h"
#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "automaton/VertexStepGraph.h"
#include "run/RunPipeline.h"
#include "support/TestWorlds.h"

namespace quorvel {
namespace {

// ---- Seeding ----

TEST(TileUniform, SeedOneGivesTheKnownValuesForTheFirstSixTiles) {
    const double expected[] = {0.5665615751722809,  0.13259515855226434, 0.6474806325420278,
                               0.37245078886659466, 0.4831176326625798,  0.3771493705547767};
    for (uint64_t j = 0; j < 6; ++j) {
        EXPECT_EQ(tileUniform(j, 1), expected[j]) << "tile " << j;
    }
}

TEST(TileUniform, MixStepsMatchSplitMix64) {
    EXPECT_EQ(tileMixInput(0, 1), 0x9E3779B97F4A7C16ULL);
    EXPECT_EQ(splitMix64Output(tileMixInput(0, 1)), 0x910A2DEC89025CC1ULL);
    // The first output of SplitMix64 from state 0.
    EXPECT_EQ(splitMix64Output(tileMixInput(0, 0)), 0xE220A8397B1DCDAFULL);
    EXPECT_EQ(tileUniform(0, 1), static_cast<double>(0x910A2DEC89025CC1ULL >> 11) * 0x1.0p-53);
    // Index, seed and increment wrap modulo 2^64.
    EXPECT_EQ(tileMixInput(1, ~uint64_t{0}), 7918u + 0x9E3779B97F4A7C15ULL);
}

TEST(SeedPopulation, DefaultRunStartsWith248LiveTilesAgedOne) {
    const Population population = seedPopulation(559, 1, 0.42);
    int32_t live = 0;
    for (std::size_t j = 0; j < 559; ++j) {
        EXPECT_EQ(population.alive[j] != 0, 0.42 > tileUniform(j, 1)) << "tile " << j;
        EXPECT_EQ(population.age[j], population.alive[j] != 0 ? 1u : 0u) << "tile " << j;
        live += population.alive[j];
    }
    EXPECT_EQ(live, 248);
    const uint8_t firstSix[] = {0, 1, 0, 1, 0, 1};
    for (std::size_t j = 0; j < 6; ++j) {
        EXPECT_EQ(population.alive[j], firstSix[j]) << "tile " << j;
    }
}

TEST(SeedPopulation, DensityZeroGivesNoneAndOneGivesAllAndBuffersAreReused) {
    Population population = seedPopulation(559, 1, 0.42);
    for (const double density : {0.0, 1.0}) {
        seedPopulationInto(population, 100, 1, density);
        ASSERT_EQ(population.alive.size(), 100u);
        ASSERT_EQ(population.age.size(), 100u);
        for (std::size_t j = 0; j < 100; ++j) {
            EXPECT_EQ(population.alive[j], density == 1.0 ? 1 : 0) << "density " << density;
            EXPECT_EQ(population.age[j], density == 1.0 ? 1u : 0u) << "density " << density;
        }
    }
}

// ---- The rule on small hand-made worlds ----

// Tiles whose slots are the given ones (the rest -1), alive as given with age 1.
struct Fixture {
    FaceGraph faces;
    Population population;
};

FaceGraph flatFixture(const std::vector<std::vector<int32_t>>& named);

Fixture fixture(const std::vector<std::vector<int32_t>>& slots, const std::vector<bool>& alive) {
    Fixture made{flatFixture(slots), {}};
    for (const bool live : alive) {
        made.population.alive.push_back(live ? 1 : 0);
        made.population.age.push_back(live ? 1 : 0);
    }
    return made;
}

// Runs one step both ways, the plain reading and the Automaton, checks that they agree and
// hands back the plain result.
Fixture stepBothWays(const Fixture& start, const Rule& rule) {
    Fixture plain = start;
    reference::stepAutomatonPlain(plain.faces, rule, plain.population);
    Automaton automaton(
        std::make_shared<const StepGraph>(buildStepGraph(start.faces, rule.faceWeight)), rule,
        start.population);
    automaton.step();
    EXPECT_EQ(automaton.population().alive, plain.population.alive);
    EXPECT_EQ(automaton.population().age, plain.population.age);
    return plain;
}

bool aliveAt(const Fixture& world, std::size_t tile) {
    return world.population.alive[tile] != 0;
}

uint32_t ageAt(const Fixture& world, std::size_t tile) {
    return world.population.age[tile];
}

TEST(StepAutomaton, OneNeighbourAcrossThreeFacesAddsItsCappedFaceCount) {
    // Tile 0 (dead) shares three faces with live tile 1; tile 0 is born exactly when `birth`
    // equals its sum.
    const Fixture start = fixture({{1, -1, 1, 1}, {0, 0, 0}}, {false, true});
    struct Case {
        int32_t faceWeight;
        int32_t sum;
    };
    for (const Case c : {Case{1, 1}, Case{2, 2}, Case{3, 3}, Case{4, 3}, Case{6, 3}}) {
        for (int32_t birth = 0; birth <= 4; ++birth) {
            const Fixture after = stepBothWays(start, Rule{birth, 0, 14, c.faceWeight});
            EXPECT_EQ(aliveAt(after, 0), birth == c.sum)
                << "weight " << c.faceWeight << " birth " << birth;
        }
    }
}

TEST(StepAutomaton, SelfNamedSlotsCountLikeAnyOther) {
    // A live tile naming itself in two slots: sum 1 at weight 1, 2 at weight 2.
    const Fixture start = fixture({{0, 0, -1}}, {true});
    EXPECT_TRUE(aliveAt(stepBothWays(start, Rule{3, 1, 1, 1}), 0));
    EXPECT_FALSE(aliveAt(stepBothWays(start, Rule{3, 1, 1, 2}), 0));
    EXPECT_TRUE(aliveAt(stepBothWays(start, Rule{3, 2, 2, 2}), 0));
}

TEST(StepAutomaton, BirthZeroBearsIsolatedTilesAndSurviveMinZeroKeepsThem) {
    // Tiles 0 and 1 have no neighbours at all; tile 2 is dead beside live tile 3.
    const Fixture start = fixture({{-1, -1}, {-1}, {3}, {2}}, {false, true, false, false});
    const Fixture bornAndKept = stepBothWays(start, Rule{0, 0, 0, 1});
    EXPECT_TRUE(aliveAt(bornAndKept, 0));
    EXPECT_EQ(ageAt(bornAndKept, 0), 1u);
    EXPECT_TRUE(aliveAt(bornAndKept, 1));
    EXPECT_EQ(ageAt(bornAndKept, 1), 2u);
    // Tile 2 and 3 start with sum 0: both are born.
    EXPECT_TRUE(aliveAt(bornAndKept, 2));
    EXPECT_TRUE(aliveAt(bornAndKept, 3));

    // With surviveMin 1 the isolated live tile dies, and an isolated dead one is still born.
    const Fixture swapped = stepBothWays(start, Rule{0, 1, 14, 1});
    EXPECT_TRUE(aliveAt(swapped, 0));
    EXPECT_FALSE(aliveAt(swapped, 1));
    EXPECT_EQ(ageAt(swapped, 1), 0u);
}

TEST(StepAutomaton, BirthsAndDeathsInOneStepNeverSeeEachOther) {
    // Tile 0 (live) and tile 1 (dead) are neighbours; B1/S1-1 kills 0 (sum 0) and bears 1
    // (sum 1). Had 1's birth been seen, 0 would survive; had 0's death been seen, 1 would not
    // be born.
    Fixture world = stepBothWays(fixture({{1}, {0}}, {true, false}), Rule{1, 1, 1, 1});
    EXPECT_FALSE(aliveAt(world, 0));
    EXPECT_TRUE(aliveAt(world, 1));
    EXPECT_EQ(ageAt(world, 0), 0u);
    EXPECT_EQ(ageAt(world, 1), 1u);
    // And back again: they keep trading places.
    world = stepBothWays(world, Rule{1, 1, 1, 1});
    EXPECT_TRUE(aliveAt(world, 0));
    EXPECT_FALSE(aliveAt(world, 1));

    // With birth 0, a dead tile beside a dying one is not born in the same step; both are
    // born in the next.
    Fixture pair = stepBothWays(fixture({{1}, {0}}, {false, true}), Rule{0, 1, 14, 1});
    EXPECT_FALSE(aliveAt(pair, 0));
    EXPECT_FALSE(aliveAt(pair, 1));
    pair = stepBothWays(pair, Rule{0, 1, 14, 1});
    EXPECT_TRUE(aliveAt(pair, 0));
    EXPECT_TRUE(aliveAt(pair, 1));
}

TEST(StepAutomaton, AgesCountStepsAliveForSurvivorsAndStartAtOneForNewborns) {
    // Tile 0 lives alone under S0: age s + 1 after step s. Tile 1 blinks under B0/S1 alone:
    // born at odd steps with age 1, dead at even steps.
    const Fixture lone = fixture({{-1}, {-1}}, {true, false});
    const Fixture blink = fixture({{-1}}, {false});
    Automaton survivor(std::make_shared<const StepGraph>(buildStepGraph(lone.faces, 1)),
                       Rule{0, 0, 0, 1}, lone.population);
    Automaton blinker(std::make_shared<const StepGraph>(buildStepGraph(blink.faces, 1)),
                      Rule{0, 1, 14, 1}, blink.population);
    for (uint32_t s = 1; s <= 6; ++s) {
        survivor.step();
        blinker.step();
        EXPECT_EQ(survivor.age(0), s + 1);
        EXPECT_EQ(survivor.maxAge(), s + 1);
        EXPECT_EQ(blinker.alive(0), s % 2 == 1);
        EXPECT_EQ(blinker.age(0), s % 2 == 1 ? 1u : 0u);
        EXPECT_EQ(blinker.changedTiles(), std::vector<int32_t>{0});
    }
}

TEST(StepAutomaton, GammaAtDepthZeroDiesOutInOneStep) {
    const World world = testsupport::worldOf("Gamma", 0);
    ASSERT_EQ(world.faces.tileCount(), 2u);
    EXPECT_EQ(std::count(world.faces.slotsOf(0), world.faces.slotsOf(0) + 14, 1), 4);
    EXPECT_EQ(std::count(world.faces.slotsOf(1), world.faces.slotsOf(1) + 14, 0), 4);
    const Population seeded = seedPopulation(2, 1, 0.42);
    EXPECT_EQ(seeded.alive, (std::vector<uint8_t>{0, 1}));
    // Tile 0 has sum 1 (four faces capped at 1) and stays dead; tile 1 has sum 0 and dies.
    Automaton automaton(std::make_shared<const StepGraph>(buildStepGraph(world.faces, 1)), Rule{},
                        seeded);
    automaton.step();
    EXPECT_FALSE(automaton.alive(0));
    EXPECT_FALSE(automaton.alive(1));
    EXPECT_EQ(automaton.liveCount(), 0);
    EXPECT_EQ(automaton.maxAge(), 0u);
    EXPECT_EQ(automaton.changedTiles(), std::vector<int32_t>{1});
    // At weight 4 the four shared faces add 4, so birth 4 bears tile 0.
    const Fixture weighted = stepBothWays(Fixture{world.faces, seeded}, Rule{4, 2, 3, 4});
    EXPECT_TRUE(aliveAt(weighted, 0));
}

// ---- The automaton against the plain step on the old fat tiles ----

// The fat tiles' plain reading and the Automaton agree when the Automaton starts mid-run,
// from ages grown by plain steps.
TEST(Automaton, StartedMidRunMatchesTheFatTilesPlainSteps) {
    struct Case {
        Rule rule;
        uint64_t seed;
        double density;
        int32_t warmUpSteps;
    };
    const Case cases[] = {
        {{3, 2, 3, 1}, 2, 0.42, 4}, {{2, 1, 4, 2}, 3, 0.5, 7}, {{0, 0, 14, 3}, 5, 0.3, 2}};
    for (const int32_t depth : {2, 4}) {
        const World world = testsupport::worldOf("Delta", depth);
        for (const Case& c : cases) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " seed " + std::to_string(c.seed));
            reference::Tiling plain = reference::fatTiling(world);
            reference::seedPopulationPlain(plain, c.seed, c.density);
            const auto step = [&] {
                reference::stepAutomatonPlain(plain, c.rule.birth, c.rule.surviveMin,
                                              c.rule.surviveMax, c.rule.faceWeight);
            };
            for (int32_t s = 0; s < c.warmUpSteps; ++s) {
                step();
            }
            Population grown;
            for (const reference::Tile& tile : plain) {
                grown.alive.push_back(tile.alive ? 1 : 0);
                grown.age.push_back(tile.age);
            }
            Automaton automaton(
                std::make_shared<const StepGraph>(buildStepGraph(world.faces, c.rule.faceWeight)),
                c.rule, grown);
            for (int32_t s = 1; s <= 60; ++s) {
                step();
                automaton.step();
                for (std::size_t i = 0; i < plain.size(); ++i) {
                    ASSERT_EQ(automaton.alive(i), plain[i].alive) << "step " << s << " tile " << i;
                    ASSERT_EQ(automaton.age(i), plain[i].age) << "step " << s << " tile " << i;
                }
            }
        }
    }
}

// ---- The step graph ----

FaceGraph flatFixture(const std::vector<std::vector<int32_t>>& named) {
    FaceGraph faces;
    faces.slots.assign(named.size() * FaceGraph::kSlotsPerTile, -1);
    for (std::size_t tile = 0; tile < named.size(); ++tile) {
        std::copy(
            named[tile].begin(), named[tile].end(),
            faces.slots.begin() + static_cast<std::ptrdiff_t>(tile * FaceGraph::kSlotsPerTile));
    }
    return faces;
}

using Entries = std::vector<std::pair<int32_t, int32_t>>;

Entries entriesOf(const Neighbourhood& neighbourhood, std::size_t tile) {
    Entries entries;
    for (uint32_t k = neighbourhood.start[tile]; k < neighbourhood.start[tile + 1]; ++k) {
        entries.emplace_back(neighbourhood.tiles[k], neighbourhood.weights[k]);
    }
    return entries;
}

TEST(StepGraph, CountsEachNamedTileOnceWithItsSlotsCappedAndSharesASymmetricRelation) {
    // Tile 0 names tile 2 in three slots, tile 1 in one and itself in two; tiles 1 and 2 name
    // tile 0 once and twice. From weight 3 on, 0 counts 2 for more than 2 counts 0.
    const FaceGraph faces = flatFixture({{2, 1, 2, 0, -1, 2, 0}, {0}, {0, 0}});
    struct Case {
        int32_t faceWeight;
        bool symmetric;
        Entries counted0;
        Entries counted2;
        Entries dependants0;
        Entries dependants2;
    };
    const Case cases[] = {
        {1, true, {{0, 1}, {1, 1}, {2, 1}}, {{0, 1}}, {{0, 1}, {1, 1}, {2, 1}}, {{0, 1}}},
        {2, true, {{0, 2}, {1, 1}, {2, 2}}, {{0, 2}}, {{0, 2}, {1, 1}, {2, 2}}, {{0, 2}}},
        {3, false, {{0, 2}, {1, 1}, {2, 3}}, {{0, 2}}, {{0, 2}, {1, 1}, {2, 2}}, {{0, 3}}},
        {6, false, {{0, 2}, {1, 1}, {2, 3}}, {{0, 2}}, {{0, 2}, {1, 1}, {2, 2}}, {{0, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("weight " + std::to_string(c.faceWeight));
        const StepGraph graph = buildStepGraph(faces, c.faceWeight);
        ASSERT_EQ(graph.tileCount(), 3u);
        EXPECT_EQ(graph.faceWeight, c.faceWeight);
        EXPECT_EQ(graph.symmetric(), c.symmetric);
        EXPECT_EQ(entriesOf(*graph.counted, 0), c.counted0);
        EXPECT_EQ(entriesOf(*graph.counted, 1), (Entries{{0, 1}}));
        EXPECT_EQ(entriesOf(*graph.counted, 2), c.counted2);
        EXPECT_EQ(entriesOf(*graph.dependants, 0), c.dependants0);
        EXPECT_EQ(entriesOf(*graph.dependants, 1), (Entries{{0, 1}}));
        EXPECT_EQ(entriesOf(*graph.dependants, 2), c.dependants2);
    }
}

TEST(StepGraph, OneSidedNamingIsNotSymmetricAndAFaceWeightBelowOneIsRefused) {
    const StepGraph graph = buildStepGraph(flatFixture({{1}, {}}), 1);
    EXPECT_FALSE(graph.symmetric());
    EXPECT_EQ(entriesOf(*graph.dependants, 0), Entries{});
    EXPECT_EQ(entriesOf(*graph.dependants, 1), (Entries{{0, 1}}));
    for (const int32_t weight : {0, -3}) {
        try {
            buildStepGraph(flatFixture({{1}, {0}}), weight);
            ADD_FAILURE() << "weight " << weight << " accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Face weight must be at least 1: " + std::to_string(weight));
        }
    }
}

// The face graphs the differential tests run on, built once each.
const FaceGraph& patchFaces(TilingKind kind, int32_t depth) {
    static std::map<std::pair<TilingKind, int32_t>, FaceGraph> built;
    auto found = built.find({kind, depth});
    if (found == built.end()) {
        found = built
                    .emplace(std::make_pair(kind, depth),
                             testsupport::faceGraphOfPatch("Delta", depth, kind))
                    .first;
    }
    return found->second;
}

TEST(StepGraph, MatchesAPlainRecountOfTheSlotsOnBothPatches) {
    struct Case {
        TilingKind kind;
        int32_t depth;
        bool symmetric;
    };
    for (const Case c : {Case{TilingKind::Spectre, 5, true}, Case{TilingKind::Quorvel, 3, false}}) {
        const FaceGraph& faces = patchFaces(c.kind, c.depth);
        for (const int32_t weight : {1, 2, 3, 6}) {
            SCOPED_TRACE(std::string(tilingName(c.kind)) + " depth " + std::to_string(c.depth) +
                         " weight " + std::to_string(weight));
            const StepGraph graph = buildStepGraph(faces, weight);
            EXPECT_EQ(graph.symmetric(), c.symmetric);
            ASSERT_EQ(graph.tileCount(), faces.tileCount());
            std::vector<Entries> dependants(faces.tileCount());
            for (std::size_t tile = 0; tile < faces.tileCount(); ++tile) {
                std::map<int32_t, int32_t> slotsNaming;
                for (std::size_t j = 0; j < FaceGraph::kSlotsPerTile; ++j) {
                    if (faces.slotsOf(tile)[j] >= 0) {
                        ++slotsNaming[faces.slotsOf(tile)[j]];
                    }
                }
                Entries counted;
                for (const auto& named : slotsNaming) {
                    counted.emplace_back(named.first, std::min(weight, named.second));
                    dependants[static_cast<std::size_t>(named.first)].emplace_back(
                        static_cast<int32_t>(tile), std::min(weight, named.second));
                }
                ASSERT_EQ(entriesOf(*graph.counted, tile), counted) << "tile " << tile;
            }
            for (std::size_t tile = 0; tile < faces.tileCount(); ++tile) {
                ASSERT_EQ(entriesOf(*graph.dependants, tile), dependants[tile]) << "tile " << tile;
            }
        }
    }
}

// ---- The Automaton against the plain reading of the slots ----

struct StepConfig {
    int32_t threads;
    StepMode mode;
    // Birth-rank table size before compaction; 2 compacts every few steps.
    std::size_t minRankTable;
};

// Every way of stepping must give the same run. A threshold of 64 tiles a thread splits even
// small patches.
constexpr StepConfig kStepConfigs[] = {
    {1, StepMode::Auto, 0},  {1, StepMode::Dense, 2}, {1, StepMode::Sparse, 2},
    {2, StepMode::Auto, 2},  {3, StepMode::Auto, 0},  {2, StepMode::Sparse, 0},
    {3, StepMode::Dense, 2},
};
constexpr std::size_t kSmallThreadShare = 64;

std::string describe(const StepConfig& config) {
    const char* modes[] = {"auto", "dense", "sparse"};
    return std::to_string(config.threads) + " threads " + modes[static_cast<int>(config.mode)] +
           " rank table " + std::to_string(config.minRankTable);
}

std::vector<std::unique_ptr<Automaton>> automataFor(const std::shared_ptr<const StepGraph>& graph,
                                                    const Rule& rule, const Population& start) {
    std::vector<std::unique_ptr<Automaton>> automata;
    for (const StepConfig& config : kStepConfigs) {
        automata.push_back(std::make_unique<Automaton>(
            graph, rule, start, config.threads,
            StepTuning{config.mode, kSmallThreadShare, config.minRankTable}));
    }
    return automata;
}

// Checks one automaton against the plain population and the plain flips; false at the first
// difference, which it reports.
bool agreesWithPlain(const Automaton& automaton, const Population& plain,
                     const std::vector<int32_t>& changed, int64_t steps) {
    int32_t live = 0;
    uint32_t maxAge = 0;
    for (std::size_t tile = 0; tile < plain.alive.size(); ++tile) {
        live += plain.alive[tile];
        maxAge = std::max(maxAge, plain.age[tile]);
    }
    const Population population = automaton.population();
    for (std::size_t tile = 0; tile < plain.alive.size(); ++tile) {
        if (population.alive[tile] != plain.alive[tile] ||
            population.age[tile] != plain.age[tile] ||
            automaton.alive(tile) != (plain.alive[tile] != 0) ||
            automaton.age(tile) != plain.age[tile]) {
            ADD_FAILURE() << "step " << steps << " tile " << tile << ": alive "
                          << int{population.alive[tile]} << " vs " << int{plain.alive[tile]}
                          << ", age " << population.age[tile] << " vs " << plain.age[tile];
            return false;
        }
    }
    EXPECT_EQ(automaton.aliveFlags(), plain.alive) << "step " << steps;
    EXPECT_EQ(automaton.stepsDone(), steps);
    EXPECT_EQ(automaton.liveCount(), live) << "step " << steps;
    EXPECT_EQ(automaton.maxAge(), maxAge) << "step " << steps;
    EXPECT_EQ(automaton.changedTiles(), changed) << "step " << steps;
    return automaton.aliveFlags() == plain.alive && automaton.stepsDone() == steps &&
           automaton.liveCount() == live && automaton.maxAge() == maxAge &&
           automaton.changedTiles() == changed;
}

// Steps the plain reading and every automaton side by side, from `plain` as it stands.
template <typename StepPlain>
void expectSameRunsAs(StepPlain stepPlain, Population plain,
                      const std::vector<std::unique_ptr<Automaton>>& automata, int32_t steps) {
    std::vector<bool> agreeing(automata.size(), true);
    for (std::size_t k = 0; k < automata.size(); ++k) {
        SCOPED_TRACE(describe(kStepConfigs[k]));
        agreeing[k] = agreesWithPlain(*automata[k], plain, {}, 0);
    }
    std::vector<int32_t> changed;
    for (int32_t step = 1; step <= steps; ++step) {
        const std::vector<uint8_t> before = plain.alive;
        stepPlain(plain);
        changed.clear();
        for (std::size_t tile = 0; tile < before.size(); ++tile) {
            if (before[tile] != plain.alive[tile]) {
                changed.push_back(static_cast<int32_t>(tile));
            }
        }
        for (std::size_t k = 0; k < automata.size(); ++k) {
            if (agreeing[k]) {
                SCOPED_TRACE(describe(kStepConfigs[k]));
                automata[k]->step();
                agreeing[k] = agreesWithPlain(*automata[k], plain, changed, step);
            }
        }
    }
}

void expectSameRuns(const FaceGraph& faces, const Rule& rule, const Population& plain,
                    const std::vector<std::unique_ptr<Automaton>>& automata, int32_t steps) {
    expectSameRunsAs(
        [&](Population& population) { reference::stepAutomatonPlain(faces, rule, population); },
        plain, automata, steps);
}

struct PatchCase {
    TilingKind kind;
    int32_t depth;
    int32_t steps;
};

struct RunCase {
    int32_t birth;
    int32_t surviveMin;
    int32_t surviveMax;
    uint64_t seed;
    double density;
    // Plain steps before the automata (re)start, so that they start from grown ages.
    int32_t warmUpSteps;
};

TEST(Automaton, MatchesThePlainReadingStepByStepInEveryModeAndThreadCount) {
    const PatchCase patches[] = {
        {TilingKind::Quorvel, 2, 120}, {TilingKind::Quorvel, 3, 120}, {TilingKind::Quorvel, 4, 60},
        {TilingKind::Quorvel, 5, 25},  {TilingKind::Spectre, 5, 25},
    };
    // Settling (B3/S2-3, B4/S3-6), busy (B2/S2-3, B2/S1-4), births from nothing (B0/S0-3),
    // every tile trading places (B1/S1-1), and births outside the survival range (B2/S3-4,
    // B0/S1-4), where a tile whose sum stays put flips back by its own change alone.
    const RunCase runs[] = {
        {3, 2, 3, 1, 0.42, 0}, {2, 2, 3, 2, 0.42, 3}, {2, 1, 4, 3, 0.3, 0}, {0, 0, 3, 4, 0.2, 0},
        {1, 1, 1, 5, 0.5, 2},  {4, 3, 6, 6, 0.8, 0},  {2, 3, 4, 7, 0.4, 0}, {0, 1, 4, 8, 0.1, 1},
    };
    for (const PatchCase& patch : patches) {
        const FaceGraph& faces = patchFaces(patch.kind, patch.depth);
        for (const int32_t weight : {1, 2, 3, 6}) {
            const auto graph = std::make_shared<const StepGraph>(buildStepGraph(faces, weight));
            std::vector<std::unique_ptr<Automaton>> automata;
            for (const RunCase& run : runs) {
                const Rule rule{run.birth, run.surviveMin, run.surviveMax, weight};
                SCOPED_TRACE(std::string(tilingName(patch.kind)) + " depth " +
                             std::to_string(patch.depth) + " B" + std::to_string(rule.birth) +
                             "/S" + std::to_string(rule.surviveMin) + "-" +
                             std::to_string(rule.surviveMax) + " weight " + std::to_string(weight) +
                             " seed " + std::to_string(run.seed));
                Population start = seedPopulation(faces.tileCount(), run.seed, run.density);
                for (int32_t s = 0; s < run.warmUpSteps; ++s) {
                    reference::stepAutomatonPlain(faces, rule, start);
                }
                // The first run constructs the automata, every later one restarts them.
                if (automata.empty()) {
                    automata = automataFor(graph, rule, start);
                } else {
                    for (const std::unique_ptr<Automaton>& automaton : automata) {
                        automaton->restart(rule, start);
                    }
                }
                for (std::size_t k = 0; k < automata.size(); ++k) {
                    const int32_t threads = kStepConfigs[k].threads;
                    EXPECT_EQ(automata[k]->threadCount(), patch.depth >= 3 ? threads : 1)
                        << describe(kStepConfigs[k]);
                }
                expectSameRuns(faces, rule, start, automata, patch.steps);
            }
        }
    }
}

// Depth 6 of the genuine patch, 272791 tiles, well past any cache: a run as quorvel-view steps
// it (one thread, the step mode chosen per step) against the plain reading, for a settling and
// a busy rule at two face weights.
TEST(Automaton, MatchesThePlainReadingOnTheGenuinePatchAtDepthSix) {
    const FaceGraph& faces = patchFaces(TilingKind::Spectre, 6);
    for (const int32_t weight : {1, 2}) {
        const auto graph = std::make_shared<const StepGraph>(buildStepGraph(faces, weight));
        for (const Rule rule : {Rule{3, 2, 3, weight}, Rule{2, 2, 3, weight}}) {
            SCOPED_TRACE("B" + std::to_string(rule.birth) + " weight " + std::to_string(weight));
            const Population start = seedPopulation(faces.tileCount(), 1, 0.42);
            std::vector<std::unique_ptr<Automaton>> automata;
            automata.push_back(std::make_unique<Automaton>(graph, rule, start));
            expectSameRuns(faces, rule, start, automata, 30);
        }
    }
}

TEST(Automaton, KeepsAgesRightOverThousandsOfStepsWhileBirthRanksAreCompacted) {
    // Every third tile names itself and blinks under B0/S0-0 (alive, it counts itself and
    // dies; dead, its sum is 0 and it is born); the others are isolated and, once alive, live
    // for ever. Each step opens a birth rank and the old ones empty, so the rank table fills
    // and is compacted many times under the still tiles' growing ages.
    std::vector<std::vector<int32_t>> named(300);
    for (std::size_t tile = 0; tile < named.size(); tile += 3) {
        named[tile] = {static_cast<int32_t>(tile)};
    }
    const FaceGraph faces = flatFixture(named);
    const Rule rule{0, 0, 0, 1};
    const auto graph = std::make_shared<const StepGraph>(buildStepGraph(faces, 1));
    const Population start = seedPopulation(faces.tileCount(), 9, 0.5);
    expectSameRuns(faces, rule, start, automataFor(graph, rule, start), 3000);
}

TEST(Automaton, DefaultRunReportsTheKnownStepFiguresInEveryMode) {
    const FaceGraph& faces = patchFaces(TilingKind::Quorvel, 3);
    const auto graph = std::make_shared<const StepGraph>(buildStepGraph(faces, 1));
    const Population start = seedPopulation(faces.tileCount(), 1, 0.42);
    for (const std::unique_ptr<Automaton>& automaton : automataFor(graph, Rule{}, start)) {
        struct Expected {
            int32_t step;
            int32_t live;
            uint32_t maxAge;
        };
        for (const Expected expected : {Expected{1, 171, 2}, {5, 135, 6}, {120, 30, 115}}) {
            while (automaton->stepsDone() < expected.step) {
                automaton->step();
            }
            EXPECT_EQ(automaton->liveCount(), expected.live) << "step " << expected.step;
            EXPECT_EQ(automaton->maxAge(), expected.maxAge) << "step " << expected.step;
        }
    }
}

TEST(Automaton, RefusesAPopulationOrRuleThatDoesNotFitTheGraph) {
    const auto graph =
        std::make_shared<const StepGraph>(buildStepGraph(flatFixture({{1}, {0}}), 2));
    const Population fits = seedPopulation(2, 1, 0.5);
    const Population tooFew = seedPopulation(1, 1, 0.5);
    const Rule atTwo{3, 2, 3, 2};
    const Rule atOne{3, 2, 3, 1};
    struct Case {
        const Rule* rule;
        const Population* start;
        std::string message;
    };
    const Case cases[] = {
        {&atTwo, &tooFew, "Population of 1 tiles for a step graph of 2"},
        {&atOne, &fits, "Rule of face weight 1 for a step graph of face weight 2"},
    };
    Automaton automaton(graph, atTwo, fits);
    for (const Case& c : cases) {
        for (const bool restart : {false, true}) {
            try {
                if (restart) {
                    automaton.restart(*c.rule, *c.start);
                } else {
                    Automaton refused(graph, *c.rule, *c.start);
                }
                ADD_FAILURE() << c.message << " accepted";
            } catch (const std::runtime_error& error) {
                EXPECT_EQ(std::string(error.what()), c.message);
            }
        }
    }
}

// ---- Set rules ----

TEST(Rule, ReadsSetsAndWritesThemCanonically) {
    const std::pair<const char*, const char*> cases[] = {
        {"B3/S2-3", "B3/S2-3"},   {"B5,2/S4,3,1", "B2,5/S1,3-4"}, {"B/S0", "B/S0"},
        {"B/S", "B/S"},           {"B0-15/S", "B0-15/S"},         {"B1,2,3/S7-7", "B1-3/S7"},
        {"B1-3,2-5/S", "B1-5/S"}, {"B03/S002", "B3/S2"},          {"B15,0/S14", "B0,15/S14"},
    };
    for (const auto& [text, canonical] : cases) {
        const Rule rule(parseSumSets(text), 1);
        EXPECT_EQ(ruleText(rule), canonical) << text;
        EXPECT_EQ(ruleText(Rule(parseSumSets(canonical), 1)), canonical) << canonical;
    }
    EXPECT_EQ(parseSumSets("B2,5/S1,3-4").birth, 0b100100u);
    EXPECT_EQ(parseSumSets("B2,5/S1,3-4").survive, 0b11010u);
    // The range form reads as the summary always wrote it, a one-count range included.
    EXPECT_EQ(ruleText(Rule{3, 2, 2, 1}), "B3/S2-2");
    EXPECT_EQ(ruleText(Rule{0, 0, 14, 1}), "B0/S0-14");
    // The range reading a set rule carries for readers of ranges, -1 without one.
    const Rule ranged(parseSumSets("B2/S1-4"), 1);
    EXPECT_EQ(std::make_tuple(ranged.birth, ranged.surviveMin, ranged.surviveMax),
              std::make_tuple(2, 1, 4));
    for (const char* text : {"B2,5/S1", "B2/S1,3", "B/S1", "B2/S"}) {
        const Rule unranged(parseSumSets(text), 1);
        EXPECT_EQ(std::make_tuple(unranged.birth, unranged.surviveMin, unranged.surviveMax),
                  std::make_tuple(-1, -1, -1))
            << text;
    }
    EXPECT_EQ(largestCountOf(Rule(parseSumSets("B/S"), 1)), -1);
    EXPECT_EQ(largestCountOf(Rule(parseSumSets("B2,9/S1"), 1)), 9);
    // Same sums in the other form are another rule: the census keeps them apart.
    EXPECT_TRUE(Rule(parseSumSets("B3/S2-3"), 1) != (Rule{3, 2, 3, 1}));
    EXPECT_TRUE(sumSetsOf(Rule(parseSumSets("B3/S2-3"), 1)) == sumSetsOf(Rule{3, 2, 3, 1}));
    EXPECT_TRUE(ruleOrderLess(Rule{3, 2, 3, 1}, Rule(parseSumSets("B3/S2-3"), 1)));
    EXPECT_TRUE(ruleOrderLess(Rule(parseSumSets("B2,5/S"), 1), Rule{3, 0, 0, 1}));
    EXPECT_TRUE(ruleOrderLess(Rule{3, 1, 5, 1}, Rule{3, 2, 3, 1}));
}

TEST(Rule, RefusesMalformedTextWithItsReason) {
    const std::string shape = "expected B<counts>/S<counts>, such as B3/S2-3 or B2,5/S1,3-4";
    const std::pair<const char*, std::string> cases[] = {
        {"", shape},
        {"b3/s2", shape},
        {"B3", shape},
        {"B3;S2", shape},
        {"B3/2", shape},
        {"B3/S2-", "expected a count at \"\""},
        {"B3/S-2", "expected a count at \"-2\""},
        {"B3/S2,,3", "expected a count at \",3\""},
        {"B3/S2,", "expected a comma and a count at \",\""},
        {"B 3/S2", "expected a count at \" 3\""},
        {"B3/S2/", "expected a comma and a count at \"/\""},
        {"B3/S2-3;B2/S1", "expected a comma and a count at \";B2/S1\""},
        {"B3/S3-2", "descending range 3-2"},
        {"B16/S", "count 16 beyond 15"},
        {"B3/S99999999999999999999", "count 99999999999999999999 beyond 15"},
        {"B+3/S2", "expected a count at \"+3\""},
    };
    for (const auto& [text, reason] : cases) {
        try {
            parseSumSets(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), reason) << text;
        }
    }
}

TEST(Automaton, SetRulesMatchThePlainReadingStepByStepOnBothPatches) {
    const PatchCase patches[] = {{TilingKind::Quorvel, 3, 60}, {TilingKind::Spectre, 4, 60}};
    // B36/S23-like gaps, an empty birth set, births from nothing with gaps in survival, and
    // parities, where a tile whose sum moves by one always flips.
    const char* rules[] = {"B2,5/S1,3-4", "B/S0", "B0,3/S2-3,5", "B1,3,5,7/S0,2,4,6", "B3,6/S2-3"};
    for (const PatchCase& patch : patches) {
        const FaceGraph& faces = patchFaces(patch.kind, patch.depth);
        for (const int32_t weight : {1, 2}) {
            const auto graph = std::make_shared<const StepGraph>(buildStepGraph(faces, weight));
            uint64_t seed = 1;
            for (const char* text : rules) {
                const Rule rule(parseSumSets(text), weight);
                SCOPED_TRACE(std::string(tilingName(patch.kind)) + " " + text + " weight " +
                             std::to_string(weight));
                const Population start = seedPopulation(faces.tileCount(), seed++, 0.4);
                expectSameRuns(faces, rule, start, automataFor(graph, rule, start), patch.steps);
            }
        }
    }
}

// ---- Vertex neighbourhood ----

TEST(VertexStepGraph, MatchesThePairwiseReadingIsSymmetricAndHoldsTheFaceNeighbours) {
    const PatchCase patches[] = {{TilingKind::Spectre, 0, 0}, {TilingKind::Spectre, 1, 0},
                                 {TilingKind::Spectre, 2, 0}, {TilingKind::Spectre, 3, 0},
                                 {TilingKind::Quorvel, 0, 0}, {TilingKind::Quorvel, 1, 0}};
    for (const PatchCase& patch : patches) {
        for (const std::string root : {"Delta", "Gamma"}) {
            SCOPED_TRACE(std::string(tilingName(patch.kind)) + " " + root + " depth " +
                         std::to_string(patch.depth));
            const Tiling tiling = expandPatch(root, patch.depth, patch.kind);
            const FaceGraph faces = buildFaceGraph(tiling);
            const StepGraph graph = buildVertexStepGraph(tiling, 2);
            const std::vector<std::vector<int32_t>> plain =
                reference::vertexNeighboursPlain(tiling);
            ASSERT_EQ(graph.tileCount(), tiling.size());
            EXPECT_TRUE(graph.symmetric());
            EXPECT_EQ(graph.faceWeight, 2);
            std::size_t largest = 0;
            for (std::size_t tile = 0; tile < tiling.size(); ++tile) {
                const Neighbourhood& counted = *graph.counted;
                const std::vector<int32_t> tiles(counted.tiles.begin() + counted.start[tile],
                                                 counted.tiles.begin() + counted.start[tile + 1]);
                EXPECT_EQ(tiles, plain[tile]) << "tile " << tile;
                for (uint32_t k = counted.start[tile]; k < counted.start[tile + 1]; ++k) {
                    EXPECT_EQ(counted.weights[k], 1) << "tile " << tile;
                }
                for (const int32_t other : tiles) {
                    const std::vector<int32_t>& back = plain[static_cast<std::size_t>(other)];
                    EXPECT_TRUE(
                        std::binary_search(back.begin(), back.end(), static_cast<int32_t>(tile)))
                        << tile << " and " << other;
                }
                const int32_t* slots = faces.slotsOf(tile);
                for (std::size_t j = 0; j < FaceGraph::kSlotsPerTile; ++j) {
                    if (slots[j] >= 0 && slots[j] != static_cast<int32_t>(tile)) {
                        EXPECT_TRUE(std::binary_search(tiles.begin(), tiles.end(), slots[j]))
                            << "face neighbour " << slots[j] << " of " << tile;
                    }
                }
                largest = std::max(largest, tiles.size());
            }
            EXPECT_EQ(graph.countBound, static_cast<int32_t>(largest));
        }
    }
}

// The genuine patch at depth 4: 5.19 distinct face neighbours a tile on average and 6.09
// vertex neighbours, at most 7 either way; 440 tiles with 7 face neighbours, 1590 with 7
// vertex neighbours.
TEST(VertexStepGraph, GenuinePatchAtDepthFourHasTheKnownNeighbourCounts) {
    const Tiling tiling = expandPatch("Delta", 4, TilingKind::Spectre);
    const StepGraph vertex = buildVertexStepGraph(tiling, 1);
    const StepGraph face = buildStepGraph(buildFaceGraph(tiling), 1);
    struct Counts {
        std::size_t entries = 0;
        std::size_t largest = 0;
        std::size_t withSeven = 0;
    };
    const auto countsOf = [](const Neighbourhood& n) {
        Counts counts;
        for (std::size_t tile = 0; tile < n.tileCount(); ++tile) {
            const std::size_t count = n.start[tile + 1] - n.start[tile];
            counts.entries += count;
            counts.largest = std::max(counts.largest, count);
            counts.withSeven += count == 7 ? 1 : 0;
        }
        return counts;
    };
    const Counts v = countsOf(*vertex.counted);
    const Counts f = countsOf(*face.counted);
    ASSERT_EQ(tiling.size(), 4401u);
    EXPECT_EQ(std::lround(100.0 * static_cast<double>(v.entries) / 4401.0), 609);
    EXPECT_EQ(std::lround(100.0 * static_cast<double>(f.entries) / 4401.0), 519);
    EXPECT_EQ(v.largest, 7u);
    EXPECT_EQ(f.largest, 7u);
    EXPECT_EQ(v.withSeven, 1590u);
    EXPECT_EQ(f.withSeven, 440u);
    EXPECT_EQ(vertex.countBound, 7);
    EXPECT_EQ(face.countBound, 14);
}

TEST(VertexStepGraph, RefusesQuorvelsCoincidingTilesAndSetRulesBeyondTheBound) {
    try {
        buildVertexStepGraph(expandPatch("Delta", 2, TilingKind::Quorvel), 1);
        ADD_FAILURE() << "built a vertex graph of coinciding tiles";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Vertex neighbourhood: tile 0 shares vertices with more than 15 tiles, more "
                  "than a sum can count");
    }
    const StepGraph graph = buildVertexStepGraph(expandPatch("Delta", 3, TilingKind::Spectre), 1);
    EXPECT_NO_THROW(checkRuleFits(Rule(parseSumSets("B7/S0"), 1), graph));
    // Range rules are clamped, never refused.
    EXPECT_NO_THROW(checkRuleFits(Rule{14, 0, 14, 1}, graph));
    try {
        checkRuleFits(Rule(parseSumSets("B2/S1,8"), 1), graph);
        ADD_FAILURE() << "accepted a count of 8";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Rule B2/S1,8 names 8, beyond the largest neighbour count of this world, 7");
    }
}

TEST(Automaton, VertexRunsMatchThePlainReadingOnBothPatches) {
    const PatchCase patches[] = {{TilingKind::Quorvel, 1, 30}, {TilingKind::Spectre, 3, 80}};
    const Rule rules[] = {Rule{}, Rule{2, 2, 3, 1}, Rule(parseSumSets("B2,5/S1,3-4"), 1),
                          Rule(parseSumSets("B0,3/S2-3,5"), 1)};
    for (const PatchCase& patch : patches) {
        const Tiling tiling = expandPatch("Delta", patch.depth, patch.kind);
        const auto graph = std::make_shared<const StepGraph>(buildVertexStepGraph(tiling, 1));
        const std::vector<std::vector<int32_t>> plain = reference::vertexNeighboursPlain(tiling);
        uint64_t seed = 3;
        for (const Rule& rule : rules) {
            SCOPED_TRACE(std::string(tilingName(patch.kind)) + " " + ruleText(rule));
            const Population start = seedPopulation(tiling.size(), seed++, 0.42);
            expectSameRunsAs(
                [&](Population& population) {
                    reference::stepVertexPlain(plain, rule, population);
                },
                start, automataFor(graph, rule, start), patch.steps);
        }
    }
}

}  // namespace
}  // namespace quorvel
