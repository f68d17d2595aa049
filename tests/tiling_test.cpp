#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

#include "geometry/BaseTile.h"
#include "tiling/Expansion.h"
#include "tiling/Patch.h"
#include "tiling/SupertileRules.h"

namespace quorvel {
namespace {

const std::vector<std::string> kSupertileLabels = {"Gamma", "Delta", "Theta", "Lambda", "Xi",
                                                   "Pi",    "Sigma", "Phi",   "Psi"};

struct Builder {
    Polygon base = basePolygon();
    std::vector<Affine> transforms = childTransforms(keyPoints(base));
    LevelTransforms levels = {{}, transforms};
    SupertileRules rules = supertileRules();

    Tiling expand(const std::string& root, int32_t depth) const {
        return expandPatch(root, depth, TilingKind::Quorvel);
    }
};

std::vector<std::string> labelsOf(const Tiling& tiling) {
    std::vector<std::string> labels;
    for (const Tile& tile : tiling) {
        labels.push_back(tile.label);
    }
    return labels;
}

TEST(SupertileRules, HoldNineRowsOfEightSlots) {
    const SupertileRules rules = supertileRules();
    EXPECT_EQ(rules.size(), 9u);
    const ChildLabels* delta = findChildren(rules, "Delta");
    ASSERT_NE(delta, nullptr);
    EXPECT_EQ(*delta, (ChildLabels{"Xi", "Delta", "Xi", "Phi", "Sigma", "Pi", "Phi", "Gamma"}));
    int nullSlots = 0;
    for (const std::string& label : kSupertileLabels) {
        const ChildLabels* children = findChildren(rules, label);
        ASSERT_NE(children, nullptr) << label;
        EXPECT_EQ((*children)[1], "Delta");
        EXPECT_EQ((*children)[4], "Sigma");
        EXPECT_EQ((*children)[7], "Gamma");
        EXPECT_EQ((*children)[3], label == "Gamma" ? "Theta" : "Phi");
        nullSlots += static_cast<int>(std::count(children->begin(), children->end(), "null"));
        for (const std::string& child : *children) {
            EXPECT_TRUE(child == "null" || findChildren(rules, child) != nullptr) << child;
        }
    }
    EXPECT_EQ(nullSlots, 1);
    EXPECT_EQ(findChildren(rules, "Gamma")->at(2), "null");
}

TEST(SupertileRules, FindOnlyTheNineLabelsExactly) {
    const SupertileRules rules = supertileRules();
    for (const char* label : {"Gamma1", "Gamma2", "null", "delta", "", "Delta ", "DELTA"}) {
        EXPECT_EQ(findChildren(rules, label), nullptr) << '"' << label << '"';
    }
}

TEST(Expansion, TileCountsForEveryRootAndDepth) {
    const Builder builder;
    const std::size_t gammaCounts[6] = {2, 8, 62, 488, 3842, 30248};
    const std::size_t otherCounts[6] = {1, 9, 71, 559, 4401, 34649};
    for (const std::string& root : kSupertileLabels) {
        for (int32_t depth = 0; depth <= 5; ++depth) {
            const std::size_t want = root == "Gamma" ? gammaCounts[depth] : otherCounts[depth];
            EXPECT_EQ(builder.expand(root, depth).size(), want) << root << " " << depth;
            EXPECT_EQ(expandedTileCount(root, depth, builder.rules), want) << root << " " << depth;
        }
    }
}

TEST(Expansion, DepthZeroPlacesTheBaseTile) {
    const Builder builder;
    const Tiling delta = builder.expand("Delta", 0);
    ASSERT_EQ(delta.size(), 1u);
    EXPECT_EQ(delta[0].label, "Delta");
    EXPECT_EQ(delta[0].polygon, builder.base);
    EXPECT_TRUE(delta[0].neighbours.empty());
    EXPECT_FALSE(delta[0].alive);
    EXPECT_FALSE(delta[0].next);
    EXPECT_EQ(delta[0].age, 0u);

    const Tiling gamma = builder.expand("Gamma", 0);
    ASSERT_EQ(gamma.size(), 2u);
    EXPECT_EQ(labelsOf(gamma), (std::vector<std::string>{"Gamma1", "Gamma2"}));
    EXPECT_EQ(gamma[0].polygon, builder.base);
    const Polygon& second = gamma[1].polygon;
    ASSERT_EQ(second.size(), 14u);
    EXPECT_EQ(second[0], (Vec2{2.133974596215561, 1.5}));
    EXPECT_EQ(second[1], (Vec2{3.0, 2.0}));
    EXPECT_EQ(second[0], gamma[0].polygon[8]);
    EXPECT_EQ(second[1], gamma[0].polygon[7]);
    // Further shared points agree only up to rounding.
    const std::pair<int, int> nearlyShared[] = {{2, 6}, {12, 10}, {13, 9}};
    for (const auto& [mine, theirs] : nearlyShared) {
        EXPECT_NEAR(second[mine].x, gamma[0].polygon[theirs].x, 1e-14);
        EXPECT_NEAR(second[mine].y, gamma[0].polygon[theirs].y, 1e-14);
    }
}

TEST(Expansion, DepthOneEmitsChildrenInSlotOrder) {
    const Builder builder;
    EXPECT_EQ(labelsOf(builder.expand("Delta", 1)),
              (std::vector<std::string>{"Xi", "Delta", "Xi", "Phi", "Sigma", "Pi", "Phi", "Gamma1",
                                        "Gamma2"}));
    const Tiling gamma = builder.expand("Gamma", 1);
    EXPECT_EQ(labelsOf(gamma), (std::vector<std::string>{"Pi", "Delta", "Theta", "Sigma", "Xi",
                                                         "Phi", "Gamma1", "Gamma2"}));
    // Slot 2 is empty, and the slots after it keep their own transforms.
    for (const auto& [tile, slot] : {std::pair<int, int>{1, 1}, {2, 3}, {3, 4}, {6, 7}}) {
        Polygon placed;
        for (const Vec2& p : builder.base) {
            placed.push_back(apply(builder.transforms[slot], p));
        }
        EXPECT_EQ(gamma[tile].polygon, placed) << "tile " << tile;
    }
}

std::size_t distinctPlacements(const Tiling& tiling) {
    std::set<std::vector<long long>> places;
    for (const Tile& tile : tiling) {
        std::vector<long long> rounded;
        for (const Vec2& p : tile.polygon) {
            rounded.push_back(std::llround(p.x * 1e6));
            rounded.push_back(std::llround(p.y * 1e6));
        }
        places.insert(rounded);
    }
    return places.size();
}

TEST(Expansion, ReusedTransformsMakeLeavesCoincide) {
    const Builder builder;
    EXPECT_EQ(distinctPlacements(builder.expand("Delta", 1)), 9u);
    EXPECT_EQ(distinctPlacements(builder.expand("Delta", 2)), 59u);
    EXPECT_EQ(distinctPlacements(builder.expand("Delta", 3)), 276u);
    EXPECT_EQ(distinctPlacements(builder.expand("Gamma", 3)), 258u);
}

TEST(Expansion, UnknownLabelsFailOnlyWhereTheyAreLookedUp) {
    const Builder builder;
    Tiling tiling;
    try {
        expandSupertile("Omega", 1, identity(), builder.base, builder.levels, builder.rules,
                        tiling);
        ADD_FAILURE() << "Omega was expanded";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Unknown label: Omega");
    }
    EXPECT_THROW(expandedTileCount("gamma", 2, builder.rules), std::runtime_error);
    // At depth 0 a label is emitted as it is, without a lookup.
    expandSupertile("Omega", 0, identity(), builder.base, builder.levels, builder.rules, tiling);
    ASSERT_EQ(tiling.size(), 1u);
    EXPECT_EQ(tiling[0].label, "Omega");
}

}  // namespace
}  // namespace quorvel
