#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "Reference.h"
#include "faces/EdgeKey.h"
#include "faces/FaceGraph.h"
#include "support/TestWorlds.h"
#include "tiling/Patch.h"

namespace {

using namespace quorvel;

using Slots = std::vector<std::vector<int32_t>>;

Slots slotsOf(const reference::Tiling& tiling) {
    Slots slots;
    for (const reference::Tile& tile : tiling) {
        slots.push_back(tile.neighbours);
    }
    return slots;
}

Slots slotsOf(const FaceGraph& graph) {
    Slots slots;
    for (std::size_t tile = 0; tile < graph.tileCount(); ++tile) {
        slots.emplace_back(graph.slotsOf(tile), graph.slotsOf(tile) + FaceGraph::kSlotsPerTile);
    }
    return slots;
}

reference::Tiling tilingOf(const std::vector<Polygon>& polygons) {
    reference::Tiling tiling;
    for (const Polygon& polygon : polygons) {
        reference::Tile tile;
        tile.label = "Test";
        tile.polygon = polygon;
        tiling.push_back(tile);
    }
    return tiling;
}

// --- Edge keys --------------------------------------------------------------------------

struct KeyCase {
    Vec2 a;
    Vec2 b;
    const char* key;
};

TEST(EdgeKey, ExampleRows) {
    const KeyCase cases[] = {
        {{0, 0}, {1, 0}, "0,0,1000000,0"},
        {{1, 0}, {0, 0}, "0,0,1000000,0"},
        {{0, 1}, {0, 0}, "0,0,0,1000000"},
        {{1.5, -0.8660254037844386}, {1, 0}, "1000000,0,1500000,-866025"},
        {{0.0000025, -0.0000025}, {-0.0000004, -0.0}, "0,0,3,-3"},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(edgeKey(c.a, c.b), c.key) << c.key;
        EXPECT_EQ(edgeKey(c.b, c.a), c.key) << c.key;
    }
}

TEST(EdgeKey, OrdersEndpointsByRoundedIntegersOnly) {
    // Unrounded, 0.0000001 > 0.00000004, but both round to 0, so y decides the order.
    EXPECT_EQ(edgeKey({0.0000001, 5}, {0.00000004, 1}), "0,1000000,0,5000000");
    EXPECT_EQ(edgeKey({2, 3}, {2, 3}), "2000000,3000000,2000000,3000000");
}

TEST(EdgeKey, RoundingMatchesLlroundHalvesAwayFromZero) {
    const double values[] = {0.0,          -0.0,
                             0.0000004,    -0.0000004,
                             0.0000005,    -0.0000005,
                             0.0000025,    -0.0000025,
                             0.0000035,    -0.0000035,
                             1.0000005,    -1.0000015,
                             123.4567895,  0.49999999999999994e-6,
                             1e12,         -1e12,
                             4.5e9,        -4503599627.3704975,
                             1e300 / 1e290};
    for (const double v : values) {
        EXPECT_EQ(quantiseCoordinate(v), std::llround(v * 1000000.0)) << v;
    }
    // Halfway products of exactly representable inputs go away from zero.
    for (int32_t k = -20; k <= 20; ++k) {
        const double half = (k + 0.5) / 64.0;  // exact in binary; times 1e6 ends in .5
        const double product = half * 1000000.0;
        ASSERT_EQ(product, std::floor(product) + 0.5) << k;  // the product is exactly halfway
        EXPECT_EQ(quantiseCoordinate(half), std::llround(product)) << k;
        EXPECT_EQ(quantiseCoordinate(half), product > 0 ? static_cast<int64_t>(product + 0.5)
                                                        : static_cast<int64_t>(product - 0.5))
            << k;
    }
    EXPECT_EQ(std::to_string(quantiseCoordinate(-0.0)), "0");
    EXPECT_EQ(std::to_string(quantiseCoordinate(-0.0000004)), "0");
}

struct NoiseCase {
    double x;
    double noisyX;
    bool match;
};

TEST(EdgeKey, NoiseMatchesUnlessItStraddlesAHalf) {
    const NoiseCase cases[] = {
        {0.3, 0.1 + 0.2, true},               // 0.30000000000000004
        {0.0000025, 0.00000250000001, true},  // both round up to 3
        {0.7071067811865476, 0.7071067811865475, true},
        {0.0000025, 0.0000024999999, false},    // 2.5 goes to 3, 2.4999999 to 2
        {-0.0000025, -0.0000024999999, false},  // -3 against -2
        {1.0000005, 1.0000004999999, false},
    };
    for (const NoiseCase& c : cases) {
        const bool same = edgeKey({c.x, 0}, {1, 1}) == edgeKey({1, 1}, {c.noisyX, 0});
        EXPECT_EQ(same, c.match) << c.x << " vs " << c.noisyX;
        const Slots slots =
            faceSlotsOf({{{c.x, 0}, {1, 1}, {0, 1}}, {{1, 1}, {c.noisyX, 0}, {2, 0}}});
        EXPECT_EQ(slots[0][0], c.match ? 1 : -1) << c.x << " vs " << c.noisyX;
        EXPECT_EQ(slots[1][0], c.match ? 0 : -1) << c.x << " vs " << c.noisyX;
    }
}

// --- Face graph on hand-made tilings ----------------------------------------------------

TEST(FaceGraph, EmptyAndSimpleTilings) {
    EXPECT_TRUE(faceSlotsOf({}).empty());
    EXPECT_TRUE(buildFaceGraph(Tiling{}).slots.empty());
    EXPECT_EQ(faceSlotsOf({{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}), (Slots{{-1, -1, -1, -1}}));
}

struct FixtureCase {
    const char* name;
    std::vector<Polygon> polygons;
    Slots slots;
};

TEST(FaceGraph, HandMadeFixtures) {
    const Polygon unitSquare = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const FixtureCase cases[] = {
        {"shared edge, opposite directions",
         {unitSquare, {{1, 0}, {2, 0}, {2, 1}, {1, 1}}},
         {{-1, 1, -1, -1}, {-1, -1, -1, 0}}},
        {"shared edge, same direction",
         {unitSquare, {{1, 0}, {1, 1}, {2, 1}, {2, 0}}},
         {{-1, 1, -1, -1}, {0, -1, -1, -1}}},
        {"three consecutive edges around a notch",
         {{{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}},
          {{1, 1}, {2, 1}, {2, 3}, {1, 3}}},
         {{-1, -1, -1, 1, 1, 1, -1, -1}, {0, 0, -1, 0}}},
        {"partial overlap",
         {unitSquare, {{1, 0.5}, {2, 0.5}, {2, 1.5}, {1, 1.5}}},
         {{-1, -1, -1, -1}, {-1, -1, -1, -1}}},
        {"T-junction",
         {{{0, 0}, {2, 0}, {2, 1}, {0, 1}},
          {{0, 1}, {1, 1}, {1, 2}, {0, 2}},
          {{1, 1}, {2, 1}, {2, 2}, {1, 2}}},
         {{-1, -1, -1, -1}, {-1, 2, -1, -1}, {-1, -1, -1, 1}}},
        {"degenerate polygon names itself",
         {{{0, 0}, {1, 0}, {0, 0}, {0, 1}, {-1, 1}}},
         {{0, 0, -1, -1, -1}}},
    };
    for (const FixtureCase& c : cases) {
        EXPECT_EQ(faceSlotsOf(c.polygons), c.slots) << c.name;
        reference::Tiling plain = tilingOf(c.polygons);
        reference::buildFaceGraphPlain(plain);
        EXPECT_EQ(slotsOf(plain), c.slots) << c.name << " (plain reference)";
    }
}

// An n-gon of its own around `centre`; when `edge` >= 0, that edge runs from `from` to `to`.
Polygon polygonAround(Vec2 centre, int32_t edge, Vec2 from, Vec2 to) {
    const int32_t n = 8;
    Polygon polygon;
    for (int32_t k = 0; k < n; ++k) {
        const double angle = (k * 2.0 * 3.141592653589793) / n;
        polygon.push_back({centre.x + std::cos(angle), centre.y + std::sin(angle)});
    }
    if (edge >= 0) {
        polygon[static_cast<std::size_t>(edge)] = from;
        polygon[static_cast<std::size_t>((edge + 1) % n)] = to;
    }
    return polygon;
}

TEST(FaceGraph, ThreeEntryGroupNamesTheLastAndTheNextToLast) {
    const Vec2 p = {-50, -50};
    const Vec2 q = {-50, -49};
    std::vector<Polygon> polygons;
    for (int32_t t = 0; t < 10; ++t) {
        const Vec2 centre = {10.0 * t, 0};
        const int32_t edge = t == 0 ? 4 : t == 5 ? 2 : t == 9 ? 7 : -1;
        polygons.push_back(t == 5 ? polygonAround(centre, edge, q, p)
                                  : polygonAround(centre, edge, p, q));
    }
    Slots expected(10, std::vector<int32_t>(8, -1));
    expected[0][4] = 9;
    expected[5][2] = 9;
    expected[9][7] = 5;
    EXPECT_EQ(faceSlotsOf(polygons), expected);

    // The same three keys, entered as a group of four: a fourth entry takes over as "last".
    polygons[7] = polygonAround({70, 0}, 1, p, q);
    expected[0][4] = 9;
    expected[5][2] = 9;
    expected[7][1] = 9;
    expected[9][7] = 7;
    EXPECT_EQ(faceSlotsOf(polygons), expected);
}

// --- Face graph on the real tilings -----------------------------------------------------

Slots realSlots(const std::string& root, int32_t depth, TilingKind kind = TilingKind::Quorvel) {
    return slotsOf(buildFaceGraph(expandPatch(root, depth, kind)));
}

std::vector<std::string> labelsOf(const Tiling& tiling) {
    std::vector<std::string> labels;
    for (const TileLabel label : tiling.labels) {
        labels.push_back(tileLabelName(label));
    }
    return labels;
}

TEST(FaceGraphReal, GammaDepthZeroSharesFourEdges) {
    for (const TilingKind kind : {TilingKind::Quorvel, TilingKind::Spectre}) {
        const Tiling tiling = expandPatch("Gamma", 0, kind);
        EXPECT_EQ(labelsOf(tiling), (std::vector<std::string>{"Gamma1", "Gamma2"}));
        const Slots expected = {
            {-1, -1, -1, -1, -1, -1, 1, 1, 1, 1, -1, -1, -1, -1},
            {0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0},
        };
        EXPECT_EQ(slotsOf(buildFaceGraph(tiling)), expected) << tilingName(kind);
    }
}

TEST(FaceGraphReal, DeltaDepthOneSlotTable) {
    const std::vector<std::string> labels = {"Xi", "Delta", "Xi",     "Phi",   "Sigma",
                                             "Pi", "Phi",   "Gamma1", "Gamma2"};
    const Slots expected = {
        {7, 7, 7, -1, -1, -1, -1, -1, -1, -1, -1, 1, 1, 1},
        {8, 8, 0, 0, 0, -1, -1, 2, 2, 2, 3, 3, 8, 8},
        {1, 1, 1, -1, -1, -1, -1, -1, -1, -1, -1, 3, 3, 3},
        {1, 1, 2, 2, 2, -1, -1, -1, -1, -1, -1, 4, 4, 4},
        {8, 8, 3, 3, 3, -1, -1, 5, 5, 5, 6, 6, 8, 8},
        {4, 4, 4, -1, -1, -1, -1, -1, -1, -1, -1, 6, 6, 6},
        {4, 4, 5, 5, 5, -1, -1, -1, -1, -1, -1, 7, 8, 8},
        {-1, -1, -1, 0, 0, 0, 8, 8, 8, 8, 6, -1, -1, -1},
        {7, 7, 1, 1, 1, 1, 4, 4, 4, 4, 6, 6, 7, 7},
    };
    for (const TilingKind kind : {TilingKind::Quorvel, TilingKind::Spectre}) {
        const Tiling tiling = expandPatch("Delta", 1, kind);
        EXPECT_EQ(labelsOf(tiling), labels);
        EXPECT_EQ(slotsOf(buildFaceGraph(tiling)), expected) << tilingName(kind);
    }
}

struct FigureCase {
    int32_t depth;
    std::size_t slots;
    std::size_t named;
    int64_t slotSum;
};

TEST(FaceGraphReal, DeltaFigures) {
    const FigureCase cases[] = {{2, 994, 802, 33212}, {3, 7826, 7478, 3249636}};
    for (const FigureCase& c : cases) {
        std::size_t slots = 0;
        std::size_t named = 0;
        int64_t slotSum = 0;
        for (const std::vector<int32_t>& tileSlots : realSlots("Delta", c.depth)) {
            slots += tileSlots.size();
            for (const int32_t slot : tileSlots) {
                named += slot >= 0 ? 1 : 0;
                slotSum += slot;
            }
        }
        EXPECT_EQ(slots, c.slots) << "depth " << c.depth;
        EXPECT_EQ(named, c.named) << "depth " << c.depth;
        EXPECT_EQ(slotSum, c.slotSum) << "depth " << c.depth;
    }
}

TEST(FaceGraphReal, EveryRootButGammaGivesDeltaSlots) {
    for (const TilingKind kind : {TilingKind::Quorvel, TilingKind::Spectre}) {
        for (int32_t depth = 0; depth <= 3; ++depth) {
            const Slots delta = realSlots("Delta", depth, kind);
            for (const std::string& root : testsupport::kRootLabels) {
                if (root != "Gamma" && root != "Delta") {
                    EXPECT_EQ(realSlots(root, depth, kind), delta) << root << " depth " << depth;
                }
            }
        }
    }
}

// On both patches: quorvel's, where most groups are crowded, and the Spectre tiling, keyed
// exactly, against the plain reading's rounded text keys (which still agree there).
TEST(FaceGraphReal, MatchesPlainReference) {
    struct Case {
        TilingKind kind;
        int32_t shallowest;
        int32_t deepest;
        std::vector<std::string> roots;
    };
    const std::vector<std::string> allRoots(testsupport::kRootLabels.begin(),
                                            testsupport::kRootLabels.end());
    const Case cases[] = {{TilingKind::Quorvel, 0, 3, allRoots},
                          {TilingKind::Spectre, 0, 4, allRoots},
                          {TilingKind::Spectre, 5, 6, {"Delta", "Gamma"}}};
    for (const Case& c : cases) {
        for (const std::string& root : c.roots) {
            for (int32_t depth = c.shallowest; depth <= c.deepest; ++depth) {
                SCOPED_TRACE(std::string(tilingName(c.kind)) + " " + root + " depth " +
                             std::to_string(depth));
                const Tiling tiling = expandPatch(root, depth, c.kind);
                reference::Tiling plain = tilingOf(testsupport::outlinesOf(tiling));
                reference::buildFaceGraphPlain(plain);
                EXPECT_EQ(slotsOf(buildFaceGraph(tiling)), slotsOf(plain));
            }
        }
    }
}

}  // namespace
