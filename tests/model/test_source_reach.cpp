// The reach index of the roads and squares: it finds exactly the discs
// that hold a point, and a receptor at the far corner of a source's range
// box, with an oblique wind, gets the same values with and without it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "tests/model/model_scene.h"

using namespace zemo;
using zemo::test::Scene;

namespace {

// Every value of the scene's receptor, computed once with and once
// without the index: both must agree bit for bit.
void expect_same_with_and_without_index(Scene& sc, double x, double y, double z = 0) {
    sc.compute(x, y, z);
    const ConcMatrix with_index = sc.conc;
    sc.prepare();
    sc.model.use_reach_index = false;
    PointWorkspace work = make_workspace(sc.model);
    compute_point(sc.model, Receptor{x, y, z}, sc.conc, work);
    for (int p = 0; p < sc.conc.pollutants(); ++p)
        for (int c = 0; c < kCaseSlots; ++c)
            for (int j = 0; j < sc.src.total; ++j)
                ASSERT_EQ(with_index.value(p, c, j), sc.conc.value(p, c, j)) << p << " " << c << " " << j;
}

// The map position of a receptor at downwind x and crosswind y of (x0, y0)
// for wind direction d of the prepared model.
void map_position(const Scene& sc, int d, double x0, double y0, double x, double y, double& mx, double& my) {
    const double s = sc.model.run.sin_phi[d], c = sc.model.run.cos_phi[d];
    mx = x0 + (-x * s + y * c);
    my = y0 + (-x * c - y * s);
}

}  // namespace

TEST(ReachIndex, FindsExactlyTheDiscsThatHoldAPointInAscendingOrder) {
    std::mt19937 rnd(7);
    std::uniform_real_distribution<double> pos(-5000, 5000), rad(10, 3000);
    std::vector<double> x, y, r;
    for (int i = 0; i < 300; ++i) {
        x.push_back(pos(rnd));
        y.push_back(pos(rnd));
        r.push_back(rad(rnd));
    }
    const ReachIndex index(x, y, r);
    std::vector<int> found;
    for (int q = 0; q < 2000; ++q) {
        // Points well beyond every disc too.
        const double px = 2 * pos(rnd), py = 2 * pos(rnd);
        index.query(px, py, found);
        std::vector<int> expected;
        for (int i = 0; i < 300; ++i)
            if ((px - x[i]) * (px - x[i]) + (py - y[i]) * (py - y[i]) <= r[i] * r[i]) expected.push_back(i);
        ASSERT_EQ(found, expected) << px << " " << py;
    }
    index.query(std::nan(""), 0, found);
    EXPECT_TRUE(found.empty());
    ReachIndex empty({}, {}, {});
    empty.query(0, 0, found);
    EXPECT_TRUE(found.empty());
}

TEST(ReachIndex, ADiscThatIsNotFiniteLeavesEverySourceToItsOwnTests) {
    const double inf = std::numeric_limits<double>::infinity();
    const ReachIndex index({0, 1e6, std::nan("")}, {0, 0, 0}, {10, inf, 5});
    std::vector<int> found;
    index.query(3, 4, found);
    EXPECT_EQ(found, (std::vector<int>{0, 1, 2}));
    index.query(-1e7, 0, found);
    EXPECT_EQ(found, (std::vector<int>{1, 2}));
}

TEST(ReachIndex, ReachesCoverTheCornersOfTheRangeBoxes) {
    // Road: |x| <= 1000 + l, |y| <= 1000 + l; square: x up to 2500 + R,
    // |y| up to 1000 + R, upwind down to 0.75 S.
    EXPECT_GE(road_reach(0), std::hypot(1000.0, 1000.0));
    EXPECT_GE(road_reach(150), std::hypot(1150.0, 1150.0));
    EXPECT_LT(road_reach(150), std::hypot(1150.0, 1150.0) + 2);
    const double S = 200, R = S / std::sqrt(std::acos(-1.0));
    EXPECT_GE(square_reach(S), std::hypot(2500 + R, 1000 + R));
    EXPECT_LT(square_reach(S), std::hypot(2500 + R, 1000 + R) + 2);
    EXPECT_GE(square_reach(20000), std::hypot(0.75 * 20000, 1000 + 20000 / std::sqrt(std::acos(-1.0))));
}

TEST(ReachIndex, AReceptorAtTheCornerOfARoadsReachGetsTheSameValuesWithAndWithoutIt) {
    Scene sc;
    const int p = sc.pollutant(kTypeNO2);
    sc.pollutant(kTypePM10);
    // An oblique road: midpoint (150, 50), half length about 158 m.
    sc.line(0, 0, 300, 100, 12);
    sc.prepare();
    const int d = 5;  // 37.5 degrees: oblique to the grid and to the road
    const int NL = sc.model.lines.NL;
    const double l_sin = sc.model.lines.l_sin[d * NL], l_cos = sc.model.lines.l_cos[d * NL];
    double mx, my;
    // Just inside the far corner of the range box: the index must list the road.
    map_position(sc, d, 150, 50, 1000 + l_cos - 0.01, 1000 + l_sin - 0.01, mx, my);
    std::vector<int> found;
    sc.model.line_reach.query(mx, my, found);
    EXPECT_EQ(found, std::vector<int>{0});
    expect_same_with_and_without_index(sc, mx, my);
    double corner = 0;
    for (int k = 0; k < 5; ++k)
        for (int s = 0; s < 3; ++s) corner += sc.at(p, k, s, d);
    EXPECT_GT(corner, 0.0);
    // At the end of the range downwind, beside the road's end.
    map_position(sc, d, 150, 50, 1000 + l_cos - 0.01, l_sin, mx, my);
    expect_same_with_and_without_index(sc, mx, my);
    EXPECT_GT(sc.at(p, 3, 1, d), 0.0);
    // Just beyond the corner: nothing in this direction either way.
    map_position(sc, d, 150, 50, 1000 + l_cos + 0.01, 1000 + l_sin + 0.01, mx, my);
    expect_same_with_and_without_index(sc, mx, my);
    for (int k = 0; k < 5; ++k)
        for (int s = 0; s < 3; ++s) EXPECT_EQ(sc.at(p, k, s, d), 0.0);
}

TEST(ReachIndex, AReceptorAtTheCornerOfASquaresReachGetsTheSameValuesWithAndWithoutIt) {
    Scene sc;
    const int p = sc.pollutant(kTypeSO2);
    sc.pollutant(kTypeTSP);
    // A low square and a raised one (above 10 m the wind turns).
    sc.area(0, 0, 0, 5, 0, 300, kClassOther);
    sc.area(40, -30, 0, 25, 10, 300, kClassOther);
    sc.prepare();
    const int d = 7;
    const double R = sc.model.areas.R[0];
    double mx, my;
    map_position(sc, d, 0, 0, 2500 + R - 0.01, 1000 + R - 0.01, mx, my);
    std::vector<int> found;
    sc.model.area_reach.query(mx, my, found);
    EXPECT_EQ(found, (std::vector<int>{0, 1}));
    expect_same_with_and_without_index(sc, mx, my);
    double corner = 0;
    for (int k = 0; k < 5; ++k)
        for (int s = 0; s < 3; ++s) corner += sc.at(p, k, s, d);
    EXPECT_GT(corner, 0.0);
    map_position(sc, d, 0, 0, 2500 + R + 0.01, 1000 + R + 0.01, mx, my);
    expect_same_with_and_without_index(sc, mx, my);
    EXPECT_EQ(sc.at(p, 4, 0, d, 0), 0.0);
    // Far beyond every reach: neither square has a column.
    sc.compute(1e5, 1e5);
    EXPECT_EQ(sc.conc.columns(), 0);
}
