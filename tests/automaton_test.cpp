#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "automaton/Seeding.h"
#include "automaton/TilingAutomaton.h"
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
    const Tiling tiling = buildWorld(Options{});
    ASSERT_EQ(tiling.size(), 559u);
    int32_t live = 0;
    for (std::size_t j = 0; j < tiling.size(); ++j) {
        EXPECT_EQ(tiling[j].alive, 0.42 > tileUniform(j, 1)) << "tile " << j;
        EXPECT_EQ(tiling[j].age, tiling[j].alive ? 1u : 0u) << "tile " << j;
        live += tiling[j].alive ? 1 : 0;
    }
    EXPECT_EQ(live, 248);
    const bool firstSix[] = {false, true, false, true, false, true};
    for (std::size_t j = 0; j < 6; ++j) {
        EXPECT_EQ(tiling[j].alive, firstSix[j]) << "tile " << j;
    }
}

TEST(SeedPopulation, DensityZeroGivesNoneAndOneGivesAll) {
    Tiling tiling = buildWorld(Options{});
    for (const double density : {0.0, 1.0}) {
        seedPopulation(tiling, 1, density);
        for (const Tile& tile : tiling) {
            EXPECT_EQ(tile.alive, density == 1.0) << "density " << density;
            EXPECT_EQ(tile.age, density == 1.0 ? 1u : 0u) << "density " << density;
        }
    }
}

// ---- The rule on small hand-made tilings ----

Tiling fixture(const std::vector<std::vector<int32_t>>& slots, const std::vector<bool>& alive) {
    Tiling tiling(slots.size());
    for (std::size_t i = 0; i < slots.size(); ++i) {
        tiling[i].neighbours = slots[i];
        tiling[i].alive = alive[i];
        tiling[i].age = alive[i] ? 1 : 0;
    }
    return tiling;
}

// Runs one step both ways and checks that they agree before handing back the plain result.
Tiling stepBothWays(const Tiling& start, const Rule& rule) {
    Tiling plain = start;
    stepAutomaton(plain, rule.birth, rule.surviveMin, rule.surviveMax, rule.faceWeight);
    Tiling fast = start;
    TilingAutomaton automaton(fast, rule);
    automaton.step();
    for (std::size_t i = 0; i < start.size(); ++i) {
        EXPECT_EQ(fast[i].alive, plain[i].alive) << "tile " << i;
        EXPECT_EQ(fast[i].age, plain[i].age) << "tile " << i;
    }
    return plain;
}

TEST(StepAutomaton, OneNeighbourAcrossThreeFacesAddsItsCappedFaceCount) {
    // Tile 0 (dead) shares three faces with live tile 1; tile 0 is born exactly when `birth`
    // equals its sum.
    const Tiling start = fixture({{1, -1, 1, 1}, {0, 0, 0}}, {false, true});
    struct Case {
        int32_t faceWeight;
        int32_t sum;
    };
    for (const Case c : {Case{1, 1}, Case{2, 2}, Case{3, 3}, Case{4, 3}, Case{6, 3}}) {
        for (int32_t birth = 0; birth <= 4; ++birth) {
            const Tiling after = stepBothWays(start, Rule{birth, 0, 14, c.faceWeight});
            EXPECT_EQ(after[0].alive, birth == c.sum)
                << "weight " << c.faceWeight << " birth " << birth;
        }
    }
}

TEST(StepAutomaton, SelfNamedSlotsCountLikeAnyOther) {
    // A live tile naming itself in two slots: sum 1 at weight 1, 2 at weight 2.
    const Tiling start = fixture({{0, 0, -1}}, {true});
    EXPECT_TRUE(stepBothWays(start, Rule{3, 1, 1, 1})[0].alive);
    EXPECT_FALSE(stepBothWays(start, Rule{3, 1, 1, 2})[0].alive);
    EXPECT_TRUE(stepBothWays(start, Rule{3, 2, 2, 2})[0].alive);
}

TEST(StepAutomaton, BirthZeroBearsIsolatedTilesAndSurviveMinZeroKeepsThem) {
    // Tiles 0 and 1 have no neighbours at all; tile 2 is dead beside live tile 3.
    const Tiling start = fixture({{-1, -1}, {-1}, {3}, {2}}, {false, true, false, false});
    const Tiling bornAndKept = stepBothWays(start, Rule{0, 0, 0, 1});
    EXPECT_TRUE(bornAndKept[0].alive);
    EXPECT_EQ(bornAndKept[0].age, 1u);
    EXPECT_TRUE(bornAndKept[1].alive);
    EXPECT_EQ(bornAndKept[1].age, 2u);
    // Tile 2 and 3 start with sum 0: both are born.
    EXPECT_TRUE(bornAndKept[2].alive);
    EXPECT_TRUE(bornAndKept[3].alive);

    // With surviveMin 1 the isolated live tile dies, and an isolated dead one is still born.
    const Tiling swapped = stepBothWays(start, Rule{0, 1, 14, 1});
    EXPECT_TRUE(swapped[0].alive);
    EXPECT_FALSE(swapped[1].alive);
    EXPECT_EQ(swapped[1].age, 0u);
}

TEST(StepAutomaton, BirthsAndDeathsInOneStepNeverSeeEachOther) {
    // Tile 0 (live) and tile 1 (dead) are neighbours; B1/S1-1 kills 0 (sum 0) and bears 1
    // (sum 1). Had 1's birth been seen, 0 would survive; had 0's death been seen, 1 would not
    // be born.
    const Tiling start = fixture({{1}, {0}}, {true, false});
    Tiling tiling = stepBothWays(start, Rule{1, 1, 1, 1});
    EXPECT_FALSE(tiling[0].alive);
    EXPECT_TRUE(tiling[1].alive);
    EXPECT_EQ(tiling[0].age, 0u);
    EXPECT_EQ(tiling[1].age, 1u);
    // And back again: they keep trading places.
    tiling = stepBothWays(tiling, Rule{1, 1, 1, 1});
    EXPECT_TRUE(tiling[0].alive);
    EXPECT_FALSE(tiling[1].alive);

    // With birth 0, a dead tile beside a dying one is not born in the same step; both are
    // born in the next.
    Tiling pair = stepBothWays(fixture({{1}, {0}}, {false, true}), Rule{0, 1, 14, 1});
    EXPECT_FALSE(pair[0].alive);
    EXPECT_FALSE(pair[1].alive);
    pair = stepBothWays(pair, Rule{0, 1, 14, 1});
    EXPECT_TRUE(pair[0].alive);
    EXPECT_TRUE(pair[1].alive);
}

TEST(StepAutomaton, AgesCountStepsAliveForSurvivorsAndStartAtOneForNewborns) {
    // Tile 0 lives alone under S0: age s + 1 after step s. Tile 1 blinks under B0/S1 alone:
    // born at odd steps with age 1, dead at even steps.
    Tiling tiling = fixture({{-1}, {-1}}, {true, false});
    const Rule rule{0, 0, 0, 1};
    Tiling blink = fixture({{-1}}, {false});
    TilingAutomaton survivor(tiling, rule);
    TilingAutomaton blinker(blink, Rule{0, 1, 14, 1});
    for (uint32_t s = 1; s <= 6; ++s) {
        survivor.step();
        blinker.step();
        EXPECT_EQ(tiling[0].age, s + 1);
        EXPECT_EQ(survivor.maxAge(), s + 1);
        EXPECT_EQ(blink[0].alive, s % 2 == 1);
        EXPECT_EQ(blink[0].age, s % 2 == 1 ? 1u : 0u);
        EXPECT_EQ(blinker.changedTiles(), std::vector<int32_t>{0});
    }
}

TEST(StepAutomaton, GammaAtDepthZeroDiesOutInOneStep) {
    Tiling tiling = testsupport::seededWorld("Gamma", 0);
    ASSERT_EQ(tiling.size(), 2u);
    EXPECT_EQ(std::count(tiling[0].neighbours.begin(), tiling[0].neighbours.end(), 1), 4);
    EXPECT_EQ(std::count(tiling[1].neighbours.begin(), tiling[1].neighbours.end(), 0), 4);
    EXPECT_FALSE(tiling[0].alive);
    EXPECT_TRUE(tiling[1].alive);
    // Tile 0 has sum 1 (four faces capped at 1) and stays dead; tile 1 has sum 0 and dies.
    TilingAutomaton automaton(tiling, Rule{});
    automaton.step();
    EXPECT_FALSE(tiling[0].alive);
    EXPECT_FALSE(tiling[1].alive);
    EXPECT_EQ(automaton.liveCount(), 0);
    EXPECT_EQ(automaton.maxAge(), 0u);
    EXPECT_EQ(automaton.changedTiles(), std::vector<int32_t>{1});
    // At weight 4 the four shared faces add 4, so birth 4 bears tile 0.
    Tiling weighted = testsupport::seededWorld("Gamma", 0);
    stepAutomaton(weighted, 4, 2, 3, 4);
    EXPECT_TRUE(weighted[0].alive);
}

TEST(TilingAutomaton, DefaultRunReportsTheKnownStepFigures) {
    Tiling tiling = buildWorld(Options{});
    TilingAutomaton automaton(tiling, Rule{});
    struct Expected {
        int32_t step;
        int32_t live;
        uint32_t maxAge;
    };
    const Expected expected[] = {{1, 171, 2}, {5, 135, 6}, {120, 30, 115}};
    std::size_t next = 0;
    for (int32_t step = 1; step <= 120; ++step) {
        automaton.step();
        if (step == expected[next].step) {
            EXPECT_EQ(automaton.liveCount(), expected[next].live) << "step " << step;
            EXPECT_EQ(automaton.maxAge(), expected[next].maxAge) << "step " << step;
            ++next;
        }
    }
    EXPECT_EQ(next, 3u);
}

// ---- The fast automaton against the plain step on real tilings ----

struct DifferentialCase {
    int32_t birth;
    int32_t surviveMin;
    int32_t surviveMax;
    int32_t faceWeight;
    uint64_t seed;
    double density;
    // Plain steps before the TilingAutomaton takes over, so that it starts from grown ages.
    int32_t warmUpSteps;
};

std::string describe(const DifferentialCase& c, int32_t depth) {
    return "depth " + std::to_string(depth) + " B" + std::to_string(c.birth) + "/S" +
           std::to_string(c.surviveMin) + "-" + std::to_string(c.surviveMax) + " weight " +
           std::to_string(c.faceWeight) + " seed " + std::to_string(c.seed) + " density " +
           std::to_string(c.density) + " warm-up " + std::to_string(c.warmUpSteps);
}

TEST(TilingAutomaton, MatchesThePlainStepAtEveryStepOnRealTilings) {
    const DifferentialCase cases[] = {
        {3, 2, 3, 1, 1, 0.42, 0}, {2, 1, 4, 1, 1, 0.42, 0},  {0, 0, 14, 1, 5, 0.3, 0},
        {1, 0, 2, 2, 7, 0.2, 0},  {1, 0, 2, 3, 7, 0.6, 0},   {0, 1, 2, 6, 3, 0.5, 0},
        {4, 3, 3, 2, 9, 0.9, 0},  {2, 2, 5, 3, 11, 0.05, 0}, {3, 2, 3, 1, 2, 0.42, 4},
        {0, 0, 0, 1, 4, 0.0, 0},  {5, 0, 14, 6, 6, 1.0, 0},
    };
    for (int32_t depth = 2; depth <= 4; ++depth) {
        const int32_t steps = depth == 4 ? 60 : 150;
        for (const DifferentialCase& c : cases) {
            SCOPED_TRACE(describe(c, depth));
            Tiling plain = testsupport::seededWorld("Delta", depth, c.density, c.seed);
            for (int32_t s = 0; s < c.warmUpSteps; ++s) {
                stepAutomaton(plain, c.birth, c.surviveMin, c.surviveMax, c.faceWeight);
            }
            Tiling fast = plain;
            TilingAutomaton automaton(fast,
                                      Rule{c.birth, c.surviveMin, c.surviveMax, c.faceWeight});
            std::vector<int32_t> changed;
            bool agreed = true;
            for (int32_t step = 1; step <= steps && agreed; ++step) {
                std::vector<bool> before(plain.size());
                for (std::size_t i = 0; i < plain.size(); ++i) {
                    before[i] = plain[i].alive;
                }
                stepAutomaton(plain, c.birth, c.surviveMin, c.surviveMax, c.faceWeight);
                automaton.step();
                int32_t live = 0;
                uint32_t maxAge = 0;
                changed.clear();
                for (std::size_t i = 0; i < plain.size(); ++i) {
                    live += plain[i].alive ? 1 : 0;
                    maxAge = std::max(maxAge, plain[i].age);
                    if (plain[i].alive != before[i]) {
                        changed.push_back(static_cast<int32_t>(i));
                    }
                    if (fast[i].alive != plain[i].alive || fast[i].age != plain[i].age ||
                        fast[i].next != plain[i].next) {
                        ADD_FAILURE() << "step " << step << " tile " << i << ": alive "
                                      << fast[i].alive << " vs " << plain[i].alive << ", age "
                                      << fast[i].age << " vs " << plain[i].age;
                        agreed = false;
                        break;
                    }
                }
                EXPECT_EQ(automaton.liveCount(), live) << "step " << step;
                EXPECT_EQ(automaton.maxAge(), maxAge) << "step " << step;
                EXPECT_EQ(automaton.changedTiles(), changed) << "step " << step;
                agreed = agreed && automaton.liveCount() == live && automaton.maxAge() == maxAge &&
                         automaton.changedTiles() == changed;
            }
        }
    }
}

}  // namespace
}  // namespace quorvel
