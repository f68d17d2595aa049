#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "geometry/Affine.h"
#include "geometry/BaseTile.h"
#include "geometry/Lattice.h"

namespace quorvel {
namespace {

TEST(Affine, OperationsAreExactWhereTheyShouldBe) {
    EXPECT_EQ(apply(identity(), Vec2{0.1, -0.3}), (Vec2{0.1, -0.3}));
    EXPECT_EQ(apply(translation({2.5, -1.0}), Vec2{1.0, 1.0}), (Vec2{3.5, 0.0}));
    const Affine quarter = rotation(degreesToRadians(90));
    EXPECT_EQ(quarter.a, std::cos(kPi / 2));
    EXPECT_EQ(quarter.b, -1.0);
    EXPECT_EQ(quarter.d, 1.0);
    const Affine p = {1, 2, 3, 4, 5, 6};
    const Affine q = {-1, 0.5, 2, 3, -2, 1};
    // P x Q sends a point through Q first.
    const Vec2 point = {0.75, -1.25};
    EXPECT_EQ(apply(compose(p, q), point), apply(p, apply(q, point)));
    EXPECT_EQ(compose(p, identity()), p);
    EXPECT_EQ(compose(identity(), p), p);
}

TEST(Affine, SumsAreGroupedAsWritten) {
    // (1 + 1e-16) - 1 is 0 in doubles, while 1 + (1e-16 - 1) is not: only the first grouping
    // is the one a placement uses.
    const Affine t = {1.0, 1e-16, -1.0, 1e-16, 1.0, -1.0};
    const Vec2 image = apply(t, {1.0, 1.0});
    EXPECT_EQ(image.x, 0.0);
    EXPECT_EQ(image.y, 0.0);
    const Affine c = compose({1.0, 1.0, -1.0, 0, 1, 0}, {1, 0, 1.0, 0, 1, 1e-16});
    EXPECT_EQ(c.c, 0.0);
}

TEST(Affine, DegreesConvertWithTheMultiplicationFirst) {
    EXPECT_EQ(degreesToRadians(60), (60.0 * kPi) / 180.0);
    EXPECT_EQ(degreesToRadians(-120), (-120.0 * kPi) / 180.0);
    EXPECT_EQ(degreesToRadians(180), kPi);
}

TEST(BasePolygon, IsAClosedCounterClockwisePathOfUnitSteps) {
    const Polygon base = basePolygon();
    ASSERT_EQ(base.size(), 14u);
    const int directions[14] = {0, 300, 30, 90, 0, 60, 150, 210, 120, 180, 180, 240, 330, 270};
    double twiceArea = 0.0;
    for (std::size_t j = 0; j < base.size(); ++j) {
        const Vec2 from = base[j];
        const Vec2 to = base[(j + 1) % base.size()];
        const double dx = to.x - from.x;
        const double dy = to.y - from.y;
        EXPECT_NEAR(std::hypot(dx, dy), 1.0, 1e-15) << "edge " << j;
        const double theta = degreesToRadians(directions[j]);
        EXPECT_NEAR(dx, std::cos(theta), 1e-15) << "edge " << j;
        EXPECT_NEAR(dy, std::sin(theta), 1e-15) << "edge " << j;
        twiceArea += from.x * to.y - to.x * from.y;
    }
    EXPECT_GT(twiceArea, 0.0);
    EXPECT_NEAR(twiceArea / 2.0, 3.0 + 3.0 * std::sqrt(3.0), 1e-14);
    EXPECT_NEAR(twiceArea / 2.0, 8.196152422706634, 1e-14);
}

TEST(BasePolygon, KeepsTheLastBitOfValuesThatLookEqual) {
    const Polygon base = basePolygon();
    EXPECT_EQ(base[3].x, 2.366025403784439);
    EXPECT_EQ(base[9].y, 2.3660254037844393);
    EXPECT_NE(base[3].x, base[9].y);
    EXPECT_NE(base[3].y, base[11].x);
    EXPECT_NE(base[2].y, base[12].x);
    const std::array<Vec2, 4> keys = keyPoints(base);
    EXPECT_EQ(keys[0], base[3]);
    EXPECT_EQ(keys[1], base[5]);
    EXPECT_EQ(keys[2], base[7]);
    EXPECT_EQ(keys[3], base[11]);
}

const Affine kExpectedChildTransforms[8] = {
    {-1, 0, 0, 0, 1, 0},
    {-0.5000000000000001, 0.8660254037844386, 1.5000000000000004, 0.8660254037844386,
     0.5000000000000001, -0.8660254037844379},
    {-0.5000000000000001, 0.8660254037844386, 3.2320508075688776, 0.8660254037844386,
     0.5000000000000001, 0.8660254037844395},
    {0.4999999999999998, 0.8660254037844387, 3.2320508075688785, 0.8660254037844387,
     -0.4999999999999998, -0.8660254037844377},
    {1, 1.2246467991473532e-16, 1.732050807568879, 1.2246467991473532e-16, -1, -1.7320508075688765},
    {1, 1.2246467991473532e-16, 2.3660254037844406, 1.2246467991473532e-16, -1, -4.098076211353315},
    {0.5000000000000004, -0.8660254037844384, 0.8660254037844393, -0.8660254037844384,
     -0.5000000000000004, -3.2320508075688776},
    {0.4999999999999998, 0.8660254037844387, -3.2320508075688776, 0.8660254037844387,
     -0.4999999999999998, -2.598076211353318},
};

TEST(ChildTransforms, MatchTheTableBitForBit) {
    const std::vector<Affine> transforms = childTransforms(keyPoints(basePolygon()));
    ASSERT_EQ(transforms.size(), 8u);
    for (std::size_t slot = 0; slot < 8; ++slot) {
        const Affine& got = transforms[slot];
        const Affine& want = kExpectedChildTransforms[slot];
        EXPECT_EQ(got.a, want.a) << "slot " << slot;
        EXPECT_EQ(got.b, want.b) << "slot " << slot;
        EXPECT_EQ(got.c, want.c) << "slot " << slot;
        EXPECT_EQ(got.d, want.d) << "slot " << slot;
        EXPECT_EQ(got.e, want.e) << "slot " << slot;
        EXPECT_EQ(got.f, want.f) << "slot " << slot;
    }
}

TEST(ChildTransforms, AreMirrorsThatChainTheKeyPoints) {
    const Polygon base = basePolygon();
    const std::array<Vec2, 4> keys = keyPoints(base);
    const std::vector<Affine> transforms = childTransforms(keys);
    EXPECT_EQ(compose(transforms[0], transforms[0]), identity());
    for (const Affine& t : transforms) {
        EXPECT_NEAR(t.a * t.e - t.b * t.d, -1.0, 1e-15);
    }
    const int from[7] = {3, 2, 3, 3, 2, 3, 3};
    const int to[7] = {1, 0, 1, 1, 0, 1, 3};
    for (int row = 0; row < 7; ++row) {
        const Vec2 landed = apply(transforms[row + 1], keys[to[row]]);
        const Vec2 anchor = apply(transforms[row], keys[from[row]]);
        EXPECT_NEAR(landed.x, anchor.x, 1e-15) << "row " << row + 1;
        EXPECT_NEAR(landed.y, anchor.y, 1e-15) << "row " << row + 1;
    }
}

TEST(ChildTransforms, SomeTwoSlotPathsCoincide) {
    const std::vector<Affine> transforms = childTransforms(keyPoints(basePolygon()));
    const Affine twice = compose(transforms[1], transforms[1]);
    for (const double delta : {twice.a - 1, twice.b, twice.c, twice.d, twice.e - 1, twice.f}) {
        EXPECT_NEAR(delta, 0.0, 1e-14);
    }
    // Two-slot paths compared after rounding their entries to a grid far coarser than the noise.
    std::vector<std::array<long long, 6>> placements;
    for (const Affine& outer : transforms) {
        for (const Affine& inner : transforms) {
            const Affine t = compose(outer, inner);
            placements.push_back({std::llround(t.a * 1e9), std::llround(t.b * 1e9),
                                  std::llround(t.c * 1e9), std::llround(t.d * 1e9),
                                  std::llround(t.e * 1e9), std::llround(t.f * 1e9)});
        }
    }
    int coincidentPairs = 0;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        for (std::size_t j = i + 1; j < placements.size(); ++j) {
            coincidentPairs += placements[i] == placements[j] ? 1 : 0;
        }
    }
    EXPECT_EQ(coincidentPairs, 12);
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

// Undoing a placement, for every linear part, from either side.
TEST(Placements, InverseUndoesEveryOrientation) {
    for (int orientation = 0; orientation < 24; ++orientation) {
        Placement p;
        p.turn = static_cast<uint8_t>(orientation % 12);
        p.mirror = orientation >= 12;
        p.shift = {2, -3, 1, 4};
        const Placement inverse = inversePlacement(p);
        EXPECT_TRUE(composePlacements(inverse, p) == Placement{}) << orientation;
        EXPECT_TRUE(composePlacements(p, inverse) == Placement{}) << orientation;
        const LatticePoint q{1, 5, -2, 7};
        EXPECT_TRUE(applyPlacement(inverse, applyPlacement(p, q)) == q) << orientation;
    }
}

}  // namespace
}  // namespace quorvel
