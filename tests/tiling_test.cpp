#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <tuple>

#include "faces/FaceGraph.h"
#include "geometry/BaseTile.h"
#include "geometry/Lattice.h"
#include "support/PatchShape.h"
#include "support/TestWorlds.h"
#include "tiling/Expansion.h"
#include "tiling/Patch.h"
#include "tiling/PatchBounds.h"
#include "tiling/SupertileRules.h"

namespace quorvel {
namespace {

using testsupport::outlinesOf;

struct Builder {
    Polygon base = basePolygon();
    std::vector<Affine> transforms = childTransforms(keyPoints(base));
    SupertileRules rules = supertileRules();

    Tiling expand(const std::string& root, int32_t depth) const {
        return expandPatch(root, depth, TilingKind::Quorvel);
    }
};

std::vector<std::string> labelsOf(const Tiling& tiling) {
    std::vector<std::string> labels;
    for (const TileLabel label : tiling.labels) {
        labels.push_back(tileLabelName(label));
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
    for (const std::string& label : testsupport::kRootLabels) {
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
    for (const std::string& root : testsupport::kRootLabels) {
        for (int32_t depth = 0; depth <= 8; ++depth) {
            const std::size_t want = testsupport::tileCountOf(root, depth);
            EXPECT_EQ(expandedTileCount(root, depth, builder.rules), want) << root << " " << depth;
            if (depth <= 5) {
                EXPECT_EQ(builder.expand(root, depth).size(), want) << root << " " << depth;
            }
            // The eight roots other than Gamma grow one shape, so depth 7 is built for two.
            if (depth <= 6 || (depth == 7 && (root == "Delta" || root == "Gamma"))) {
                const Tiling spectre = expandPatch(root, depth, TilingKind::Spectre);
                EXPECT_EQ(spectre.size(), want) << root << " " << depth;
                EXPECT_EQ(spectre.placements.size(), want) << root << " " << depth;
            }
        }
    }
}

TEST(Expansion, DepthZeroPlacesTheBaseTile) {
    const Builder builder;
    const Tiling delta = builder.expand("Delta", 0);
    ASSERT_EQ(delta.size(), 1u);
    EXPECT_EQ(labelsOf(delta), std::vector<std::string>{"Delta"});
    EXPECT_EQ(outlinesOf(delta)[0], builder.base);
    EXPECT_EQ(delta.placements[0], Placement{});

    const Tiling gamma = builder.expand("Gamma", 0);
    ASSERT_EQ(gamma.size(), 2u);
    EXPECT_EQ(labelsOf(gamma), (std::vector<std::string>{"Gamma1", "Gamma2"}));
    const std::vector<Polygon> outlines = outlinesOf(gamma);
    EXPECT_EQ(outlines[0], builder.base);
    const Polygon& second = outlines[1];
    ASSERT_EQ(second.size(), 14u);
    EXPECT_EQ(second[0], (Vec2{2.133974596215561, 1.5}));
    EXPECT_EQ(second[1], (Vec2{3.0, 2.0}));
    EXPECT_EQ(second[0], outlines[0][8]);
    EXPECT_EQ(second[1], outlines[0][7]);
    // Further shared points agree only up to rounding, but exactly in the lattice.
    const std::pair<int, int> nearlyShared[] = {{2, 6}, {12, 10}, {13, 9}};
    const auto first = exactOutline(gamma.placements[0]);
    const auto turned = exactOutline(gamma.placements[1]);
    for (const auto& [mine, theirs] : nearlyShared) {
        EXPECT_NEAR(second[mine].x, outlines[0][theirs].x, 1e-14);
        EXPECT_NEAR(second[mine].y, outlines[0][theirs].y, 1e-14);
        EXPECT_EQ(turned[static_cast<std::size_t>(mine)], first[static_cast<std::size_t>(theirs)]);
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
    const std::vector<Polygon> outlines = outlinesOf(gamma);
    for (const auto& [tile, slot] : {std::pair<int, int>{1, 1}, {2, 3}, {3, 4}, {6, 7}}) {
        Polygon placed;
        for (const Vec2& p : builder.base) {
            placed.push_back(apply(builder.transforms[slot], p));
        }
        EXPECT_EQ(outlines[static_cast<std::size_t>(tile)], placed) << "tile " << tile;
    }
}

// The outline recomputed for the picture is the outline the expansion computed: the same
// transform applied to the same points, however often it is asked for.
TEST(Expansion, OutlinesAreTheSameBitsEveryTime) {
    const Tiling tiling = expandPatch("Gamma", 4, TilingKind::Spectre);
    EXPECT_EQ(outlinesOf(tiling), outlinesOf(tiling));
    PatchBounds bounds;
    for (const Polygon& outline : outlinesOf(tiling)) {
        for (const Vec2& p : outline) {
            bounds.include(p);
        }
    }
    EXPECT_EQ(bounds.minX, tiling.bounds.minX);
    EXPECT_EQ(bounds.minY, tiling.bounds.minY);
    EXPECT_EQ(bounds.maxX, tiling.bounds.maxX);
    EXPECT_EQ(bounds.maxY, tiling.bounds.maxY);
}

std::size_t distinctPlacements(const Tiling& tiling) {
    std::set<std::vector<long long>> places;
    for (const Polygon& outline : outlinesOf(tiling)) {
        std::vector<long long> rounded;
        for (const Vec2& p : outline) {
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

TEST(Expansion, UnknownLabelsFail) {
    const Builder builder;
    for (const int32_t depth : {0, 1}) {
        try {
            expandPatch("Omega", depth, TilingKind::Quorvel);
            ADD_FAILURE() << "Omega was expanded at depth " << depth;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Unknown label: Omega");
        }
    }
    EXPECT_THROW(expandedTileCount("gamma", 2, builder.rules), std::runtime_error);
}

// ---- Exact placements ------------------------------------------------------------------------

TEST(Lattice, UnitVectorsTurnsAndMirrors) {
    const double halfRoot3 = std::sqrt(3.0) / 2;
    for (int k = 0; k < 24; ++k) {
        const Vec2 v = approximate(unitVector(k));
        const double angle = (k % 12) * kPi / 6;
        EXPECT_NEAR(v.x, std::cos(angle), 1e-15) << k;
        EXPECT_NEAR(v.y, std::sin(angle), 1e-15) << k;
        EXPECT_EQ(turned(unitVector(k), 12 - (k % 12)), unitVector(0)) << k;
        EXPECT_EQ(mirrored(unitVector(k)), unitVector(6 - k)) << k;
        EXPECT_EQ(mirrored(mirrored(unitVector(k))), unitVector(k)) << k;
    }
    EXPECT_EQ(unitVector(4), unitVector(2) - unitVector(0));  // z^4 = z^2 - 1
    EXPECT_NEAR(approximate(LatticePoint{0, 1, 0, 0}).x, halfRoot3, 1e-16);
    // Composing placements is applying one after the other.
    const Placement p{5, true, {1, -2, 3, 0}};
    const Placement q{7, false, {0, 4, -1, 2}};
    const LatticePoint point{3, 1, -4, 1};
    EXPECT_EQ(applyPlacement(composePlacements(p, q), point),
              applyPlacement(p, applyPlacement(q, point)));
    EXPECT_EQ(applyPlacement(composePlacements(q, p), point),
              applyPlacement(q, applyPlacement(p, point)));
}

TEST(Lattice, ExactBasePolygonIsTheLiteralOne) {
    const Polygon base = basePolygon();
    const std::array<LatticePoint, 14>& exact = exactBasePolygon();
    for (std::size_t j = 0; j < base.size(); ++j) {
        EXPECT_NEAR(approximate(exact[j]).x, base[j].x, 1e-15) << j;
        EXPECT_NEAR(approximate(exact[j]).y, base[j].y, 1e-15) << j;
    }
}

// Every tile's exact outline is where its floating-point outline is, to within the rounding
// of the floating-point chain, on both patches; and the exact child placements of each level
// are the floating-point ones.
TEST(Lattice, ExactPlacementsAgreeWithTheFloatingPointOnes) {
    for (const TilingKind kind : {TilingKind::Quorvel, TilingKind::Spectre}) {
        const int32_t depths = kind == TilingKind::Quorvel ? 5 : 6;
        const LevelTransforms transforms = levelTransforms(basePolygon(), depths, kind);
        const LevelPlacements placements = levelPlacements(depths, kind);
        for (std::size_t level = 1; level < transforms.size(); ++level) {
            for (std::size_t slot = 0; slot < 8; ++slot) {
                const Affine& t = transforms[level][slot];
                const Placement& p = placements[level][slot];
                const Vec2 shift = approximate(p.shift);
                const double angle = p.turn * kPi / 6;
                const double sign = p.mirror ? -1.0 : 1.0;
                const double scale = 1e-12 * (1 + std::fabs(t.c) + std::fabs(t.f));
                EXPECT_NEAR(t.c, shift.x, scale) << level << " " << slot;
                EXPECT_NEAR(t.f, shift.y, scale) << level << " " << slot;
                EXPECT_NEAR(t.a, sign * std::cos(angle), 1e-12) << level << " " << slot;
                EXPECT_NEAR(t.d, sign * std::sin(angle), 1e-12) << level << " " << slot;
            }
        }
        for (const std::string root : {"Delta", "Gamma"}) {
            SCOPED_TRACE(root + std::string(" ") + tilingName(kind));
            const Tiling tiling = expandPatch(root, depths, kind);
            double worst = 0;
            forEachTilePolygon(tiling, [&](std::size_t index, const TileOutline& outline) {
                const auto exact = exactOutline(tiling.placements[index]);
                for (std::size_t j = 0; j < outline.size(); ++j) {
                    const Vec2 p = approximate(exact[j]);
                    worst = std::max(
                        {worst, std::fabs(p.x - outline[j].x), std::fabs(p.y - outline[j].y)});
                }
            });
            EXPECT_LT(worst, 1e-10);
        }
    }
}

// ---- The Spectre patch ----------------------------------------------------------------------

using testsupport::PatchShape;
using testsupport::shapeOf;

// Tiles whose exact placement is not mirrored once per level, or whose floating-point outline,
// read back from its points 0, 1 and 13, is not a rigid motion with determinant (-1)^depth
// carrying every base point onto the tile's point. `mirrored` is what the depth makes it.
int tilesNotPlacedRigidly(const Tiling& tiling, const Polygon& base, bool mirrored) {
    const double determinant = mirrored ? -1.0 : 1.0;
    int faults = 0;
    std::size_t index = 0;
    forEachTilePolygon(tiling, [&](std::size_t, const TileOutline& outline) {
        const Vec2 origin = outline[0], right = outline[1], up = outline[13];
        const Affine t = {right.x - origin.x, up.x - origin.x, origin.x,
                          right.y - origin.y, up.y - origin.y, origin.y};
        bool rigid = std::abs(t.a * t.e - t.b * t.d - determinant) < 1e-9 &&
                     std::abs(t.a * t.a + t.d * t.d - 1.0) < 1e-9 &&
                     std::abs(t.a * t.b + t.d * t.e) < 1e-9 &&
                     tiling.placements[index++].mirror == mirrored;
        for (std::size_t i = 0; i < base.size(); ++i) {
            const Vec2 moved = apply(t, base[i]);
            rigid = rigid && std::abs(moved.x - outline[i].x) < 1e-9 &&
                    std::abs(moved.y - outline[i].y) < 1e-9;
        }
        faults += rigid ? 0 : 1;
    });
    return faults;
}

TEST(SpectrePatch, SameTilesInTheSameOrderAsQuorvelsPatchAndTheSamePlacesUpToDepthOne) {
    for (const std::string& root : testsupport::kRootLabels) {
        for (int32_t depth = 0; depth <= 5; ++depth) {
            SCOPED_TRACE(root + " " + std::to_string(depth));
            const Tiling spectre = expandPatch(root, depth, TilingKind::Spectre);
            const Tiling quorvel = expandPatch(root, depth, TilingKind::Quorvel);
            ASSERT_EQ(spectre.size(), quorvel.size());
            EXPECT_EQ(spectre.labels, quorvel.labels);
            const std::vector<Polygon> a = outlinesOf(spectre), b = outlinesOf(quorvel);
            std::size_t moved = 0;
            for (std::size_t i = 0; i < a.size(); ++i) {
                moved += a[i] == b[i] ? 0 : 1;
            }
            // Bit for bit up to depth 1; from depth 2 on the patch is rebuilt, not copied.
            if (depth <= 1) {
                EXPECT_EQ(moved, 0u);
                EXPECT_EQ(spectre.placements, quorvel.placements);
            } else {
                EXPECT_GT(moved, 0u);
            }
        }
    }
}

// The checks below see what is wrong with quorvel's patch, where leaves coincide.
TEST(SpectrePatch, ShapeChecksCatchQuorvelsOverlaps) {
    const Tiling quorvel = expandPatch("Delta", 3, TilingKind::Quorvel);
    const PatchShape shape = shapeOf(quorvel);
    EXPECT_GT(shape.crowded, 0u);
    EXPECT_NE(shape.eulerCharacteristic(quorvel.size()), 1);
    // Off by one level, every mirror bit and determinant has the wrong sense.
    EXPECT_EQ(tilesNotPlacedRigidly(quorvel, basePolygon(), false),
              static_cast<int>(quorvel.size()));
    // Without a tile that has a neighbour across every edge the patch has a hole: a second
    // border loop, and V - E + F = 0.
    Tiling holed = expandPatch("Delta", 3, TilingKind::Spectre);
    const FaceGraph faces = buildFaceGraph(holed);
    std::size_t inner = 0;
    while (std::find(faces.slotsOf(inner), faces.slotsOf(inner) + 14, -1) !=
           faces.slotsOf(inner) + 14) {
        ++inner;
    }
    holed.labels.erase(holed.labels.begin() + static_cast<std::ptrdiff_t>(inner));
    holed.placements.erase(holed.placements.begin() + static_cast<std::ptrdiff_t>(inner));
    const PatchShape holedShape = shapeOf(holed);
    EXPECT_FALSE(holedShape.borderIsOneLoop);
    EXPECT_EQ(holedShape.eulerCharacteristic(holed.size()), 0);
}

// For every root and depth the genuine patch is a topological disk: V - E + F = 1 over its
// distinct exact vertices, edges and tiles, and its border is one closed loop; every interior
// edge lies in exactly two tiles, which run along it opposite ways (both have one
// orientation); every tile is the base tile moved rigidly and mirrored once per level.
TEST(SpectrePatch, IsATopologicalDiskMeetingEdgeToEdgeAtEveryRootAndDepth) {
#if defined(__SANITIZE_ADDRESS__)
    constexpr int32_t kDeepest = 6;  // depth 7 takes most of a minute under the sanitizers
#else
    constexpr int32_t kDeepest = 7;
#endif
    const Polygon base = basePolygon();
    for (const std::string& root : testsupport::kRootLabels) {
        for (int32_t depth = 0; depth <= kDeepest; ++depth) {
            SCOPED_TRACE(root + " " + std::to_string(depth));
            const Tiling tiling = expandPatch(root, depth, TilingKind::Spectre);
            if (depth == kDeepest && root != "Gamma" && root != "Delta") {
                // The eight roots but Gamma grow one patch: only their labels differ.
                EXPECT_EQ(tiling.placements,
                          expandPatch("Delta", depth, TilingKind::Spectre).placements);
                continue;
            }
            const PatchShape shape = shapeOf(tiling);
            EXPECT_EQ(shape.crowded, 0u);
            EXPECT_EQ(shape.selfPaired, 0u);
            EXPECT_EQ(shape.sameWay, 0u);
            EXPECT_EQ(shape.eulerCharacteristic(tiling.size()), 1);
            EXPECT_TRUE(shape.borderIsOneLoop);
            EXPECT_EQ(tilesNotPlacedRigidly(tiling, base, depth % 2 == 1), 0);
        }
    }
}

// Float evidence beside the exact one: no point of a half-unit sample grid lies inside two
// tiles, and the points inside tiles match their total area.
bool inside(const Polygon& polygon, double x, double y) {
    bool in = false;
    for (std::size_t j = 0, k = polygon.size() - 1; j < polygon.size(); k = j++) {
        const Vec2& a = polygon[j];
        const Vec2& b = polygon[k];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
            in = !in;
        }
    }
    return in;
}

struct Coverage {
    std::size_t samplesInside = 0;
    // The first tile found over a sample point that an earlier tile covers, or -1.
    int32_t overlappingTile = -1;
};

// The sample grid is offset from the half-unit lines on which many vertices and edges lie, so
// that no sample point falls on an edge.
Coverage sampleCoverage(const Tiling& tiling, double spacing) {
    const PatchBounds& bounds = tiling.bounds;
    const double x0 = bounds.minX - 0.0731, y0 = bounds.minY - 0.0417;
    const auto columns = static_cast<std::size_t>((bounds.maxX - x0) / spacing) + 2;
    const auto rows = static_cast<std::size_t>((bounds.maxY - y0) / spacing) + 2;
    std::vector<uint8_t> covered(columns * rows, 0);
    Coverage coverage;
    const std::vector<Polygon> outlines = outlinesOf(tiling);
    for (std::size_t t = 0; t < outlines.size(); ++t) {
        const Polygon& polygon = outlines[t];
        double minX = polygon[0].x, maxX = minX, minY = polygon[0].y, maxY = minY;
        for (const Vec2& p : polygon) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        const auto firstColumn = static_cast<std::size_t>((minX - x0) / spacing);
        const auto lastColumn = static_cast<std::size_t>((maxX - x0) / spacing) + 1;
        const auto firstRow = static_cast<std::size_t>((minY - y0) / spacing);
        const auto lastRow = static_cast<std::size_t>((maxY - y0) / spacing) + 1;
        for (std::size_t row = firstRow; row <= lastRow; ++row) {
            for (std::size_t column = firstColumn; column <= lastColumn; ++column) {
                const double x = x0 + static_cast<double>(column) * spacing;
                const double y = y0 + static_cast<double>(row) * spacing;
                if (!inside(polygon, x, y)) {
                    continue;
                }
                ++coverage.samplesInside;
                uint8_t& cell = covered[row * columns + column];
                if (cell != 0 && coverage.overlappingTile < 0) {
                    coverage.overlappingTile = static_cast<int32_t>(t);
                }
                cell = 1;
            }
        }
    }
    return coverage;
}

TEST(SpectrePatch, SampledCoverageHasNoOverlap) {
    constexpr double kSpacing = 0.5;  // a tile covers about 33 sample points
    const double tileArea = 3.0 + 3.0 * std::sqrt(3.0);
    EXPECT_GE(
        sampleCoverage(expandPatch("Delta", 3, TilingKind::Quorvel), kSpacing).overlappingTile, 0);
    for (const std::string root : {"Delta", "Gamma"}) {
        for (int32_t depth = 0; depth <= 5; ++depth) {
            SCOPED_TRACE(root + std::string(" ") + std::to_string(depth));
            const Tiling tiling = expandPatch(root, depth, TilingKind::Spectre);
            const Coverage coverage = sampleCoverage(tiling, kSpacing);
            EXPECT_EQ(coverage.overlappingTile, -1);
            const double samples =
                static_cast<double>(tiling.size()) * tileArea / (kSpacing * kSpacing);
            EXPECT_NEAR(static_cast<double>(coverage.samplesInside), samples, 0.02 * samples + 10);
        }
    }
}

}  // namespace
}  // namespace quorvel
