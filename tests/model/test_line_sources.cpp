// Road segments: geometry rules, the error-function crosswind integral
// written out by hand, and the range limits at their exact boundaries.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/model/model_scene.h"

using namespace zemo;
using zemo::test::pi;
using zemo::test::Scene;

namespace {

// A road of width W across the wind (half length l), receptor x downwind of
// its midpoint on the axis, class IV, wind u, written out from the model:
// sy = 10^(a + b L^c) + sy0 with the virtual distance xvy, sz = bz (x + xvz)^cz.
double road_class4(double E, double Ls, double W, double x, double u, double ratio) {
    const double a = 0.5052, b = 0.9208, c = 0.9904, bz = 0.239, cz = 0.787;
    const double sy0 = 20.0 / 43 * W;
    const double sz0 = std::max(10.0 / 43 * W, 3.0);
    const double q = (std::log10(sy0) - a) / b;
    const double xvy = q > 0 ? std::pow(10.0, std::pow(q, 1 / c) + 2) : 100.0;
    const double L = std::log10((x + xvy) / 100);
    const double sy = std::max(10.0, std::pow(10.0, a + b * std::pow(L, c)) + sy0);
    const double xvz = std::pow(sz0 / bz, 1 / cz);
    const double szt = std::max(sz0, bz * std::pow(x + xvz, cz)) + sz0;
    const double l = Ls / 2;
    const double crosswind = 2 * std::erf(l / (std::sqrt(2.0) * sy));
    return ratio * E / Ls * 2 * crosswind / (2 * std::sqrt(2 * pi()) * u * szt) * 0.9;
}

}  // namespace

TEST(LineSources, RoadBearingAndWindRoadAngle) {
    EXPECT_NEAR(road_bearing(1, 1), 45, 1e-12);
    EXPECT_NEAR(road_bearing(1, -1), 135, 1e-12);
    EXPECT_NEAR(road_bearing(-1, -1), 225, 1e-12);
    EXPECT_NEAR(road_bearing(-1, 1), 315, 1e-12);
    EXPECT_NEAR(road_bearing(1, std::sqrt(3.0)), 30, 1e-12);
    EXPECT_EQ(road_bearing(1, 0), 90.0);
    EXPECT_EQ(road_bearing(-1, 0), 270.0);
    EXPECT_EQ(road_bearing(0, 1), 0.0);
    EXPECT_EQ(road_bearing(0, -1), 180.0);
    EXPECT_NEAR(wind_road_angle(350, 10), 20, 1e-12);
    EXPECT_NEAR(wind_road_angle(100, 10), 90, 1e-12);
    EXPECT_NEAR(wind_road_angle(200, 10), 10, 1e-12);
    EXPECT_NEAR(wind_road_angle(10, 200), 10, 1e-12);
    EXPECT_NEAR(wind_road_angle(0, 45), 45, 1e-12);
}

TEST(LineSources, WindAngleIsNormalisedWhateverTheRotation) {
    const double rad = pi() / 180;
    EXPECT_NEAR(wind_degrees(wind_angle(0, 7.5, 120)), 240, 1e-9);
    EXPECT_NEAR(wind_degrees(wind_angle(47, 7.5, -200)), 192.5, 1e-9);
    EXPECT_NEAR(wind_degrees(wind_angle(10, 7.5, 0)), 75, 1e-9);
    EXPECT_NEAR(wind_degrees(-725 * rad), 355, 1e-9);
    // Any rotation: the road angle stays within 0..90 degrees.
    for (double rotation : {120.0, -200.0, 400.0, -30.0}) {
        Scene sc;
        sc.pollutant(kTypeJina);
        sc.project.rotation = rotation;
        sc.line(0, 0, 30, 70, 8);
        sc.line(0, 0, -50, 20, 8);
        sc.prepare();
        for (int d = 0; d < 48; ++d)
            for (int i = 0; i < 2; ++i) {
                const double l = sc.model.lines.half_length[i];
                EXPECT_GE(sc.model.lines.l_sin[d * 2 + i], 0.0) << rotation << " " << d;
                EXPECT_LE(sc.model.lines.l_sin[d * 2 + i], l * (1 + 1e-15));
            }
    }
}

TEST(LineSources, ReceptorOnTheRoad) {
    Sources src;
    src.NL = 3;
    // an oblique road, a road along x and a road along y, 10 m wide
    src.SrcL_x = {0, -50, 7};
    src.SrcL_y = {0, 0, -40};
    src.SrcL_x1 = {100, 50, 7};
    src.SrcL_y1 = {100, 0, 40};
    src.SrcL_dx = {10, 10, 10};
    double x, y;
    // On the axis at the midpoint: moved 1 m in x and in y.
    road_receptor(src, 0, 50, 50, x, y);
    EXPECT_NEAR(x, 51, 1e-12);
    EXPECT_NEAR(y, 51, 1e-12);
    // Beside the axis, within half the width: its foot is the midpoint, then moved.
    road_receptor(src, 0, 52, 48, x, y);
    EXPECT_NEAR(x, 51, 1e-12);
    EXPECT_NEAR(y, 51, 1e-12);
    // Elsewhere on the road: the foot of the perpendicular.
    road_receptor(src, 0, 30, 32, x, y);
    EXPECT_NEAR(x, 31, 1e-12);
    EXPECT_NEAR(y, 31, 1e-12);
    // Farther than W/2 from the axis: the receptor itself.
    road_receptor(src, 0, 30, 40, x, y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
    // Outside the box of the end points: not moved, even within W/2 of the axis line.
    road_receptor(src, 0, 101, 102, x, y);
    EXPECT_EQ(x, 101);
    EXPECT_EQ(y, 102);
    road_receptor(src, 1, 20, 2, x, y);  // the box of a road along x is the line y = 0
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 2);
    road_receptor(src, 1, 0, 0, x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    road_receptor(src, 2, 7, 0, x, y);
    EXPECT_EQ(x, 8);
    EXPECT_EQ(y, 1);
    road_receptor(src, 2, 7, 25, x, y);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 25);

    // In the computation a receptor at the midpoint is seen from (1, 1).
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.line(-50, 0, 50, 0, 10);
    sc.compute(0, 0);
    std::vector<double> mid(kCaseSlots);
    for (int c = 0; c < kCaseSlots; ++c) mid[c] = sc.conc.value(p, c, 0);
    sc.compute(1, 1);
    for (int c = 0; c < kCaseSlots; ++c) EXPECT_EQ(sc.conc.value(p, c, 0), mid[c]);
    EXPECT_GT(sc.total(p), 0.0);
}

TEST(LineSources, AcrossTheWindTheWholeHalfLengthCounts) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.line(-50, 0, 50, 0, 10, 3e6, 0, 0.5);
    sc.roses.Wnd_frequency[0][case_slot(5, 1, 0)] = 4.0;
    sc.compute(0, -200);
    EXPECT_EQ(sc.model.lines.l_sin[0], 50.0);
    const double expected = road_class4(3e6, 100, 10, 200, 5.0, 2.4);
    EXPECT_NEAR(sc.at(p, 3, 1, 0), expected, 3e-7 * expected);
    // The annual slot: mean emission (no 2.4), no 0.9, operating share and frequency.
    EXPECT_NEAR(sc.annual(p, 1, 0), expected / 2.4 / 0.9 * 0.5 * 4.0 / 100, 3e-7 * expected);
    // Crosswind symmetry.
    sc.compute(30, -200);
    const double right = sc.at(p, 2, 0, 0);
    sc.compute(-30, -200);
    EXPECT_NEAR(sc.at(p, 2, 0, 0), right, 1e-12 * right);
    EXPECT_GT(right, 0.0);
}

TEST(LineSources, AlongTheWindTheErrorFunctionsCancel) {
    Scene across;
    const int q = across.pollutant(kTypeJina);
    across.line(-50, 0, 50, 0, 10);
    across.compute(0, -200);
    const double reference = across.at(q, 3, 1, 0);
    ASSERT_GT(reference, 0.0);

    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.line(0, -50, 0, 50, 10);
    for (double cross : {0.0, 10.0, -25.0}) {
        sc.compute(cross, -200);
        EXPECT_EQ(sc.model.lines.l_sin[0], 0.0);
        EXPECT_EQ(sc.model.lines.l_cos[0], 50.0);
        // The wind from the north (d = 0) and from the south (d = 24) run along
        // the road: erf(y/s) + erf(-y/s). On the axis both are erf(0), which the
        // approximation puts slightly below 0: exactly 0 then. Off the axis the
        // pair cancels up to rounding.
        for (int k = 0; k < 5; ++k)
            for (int s = 0; s < 3; ++s) {
                if (cross == 0) {
                    EXPECT_EQ(sc.at(p, k, s, 0), 0.0);
                }
                EXPECT_LT(sc.at(p, k, s, 0), 1e-12 * reference) << cross;
                EXPECT_EQ(sc.at(p, k, s, 24), 0.0) << cross;  // upwind of the midpoint
            }
        EXPECT_LT(sc.annual(p, 1, 0), 1e-12 * reference);
        // Never negative in any case.
        for (int c = 0; c < kCaseSlots; ++c) EXPECT_GE(sc.conc.value(p, c, 0), 0.0);
    }
}

TEST(LineSources, RangeLimitsAtTheirBoundaries) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.line(-50, 0, 50, 0, 10);
    // 1000 m downwind of the midpoint (|l cos beta| is 0 across the wind).
    sc.compute(0, -1000);
    EXPECT_GT(sc.at(p, 3, 1, 0), 0.0);
    sc.compute(0, -1000.001);
    EXPECT_EQ(sc.at(p, 3, 1, 0), 0.0);
    // 1000 m to the side beyond the end of the road (|y| - l sin beta), class V.
    sc.compute(1050, -1000);
    EXPECT_GT(sc.at(p, 4, 0, 0), 0.0);
    sc.compute(1050.001, -1000);
    EXPECT_EQ(sc.at(p, 4, 0, 0), 0.0);
    // On the road beside the midpoint: x = 0 is downwind; upwind gives nothing.
    sc.compute(20, 0);
    EXPECT_GT(sc.at(p, 3, 1, 0), 0.0);
    sc.compute(0, 10);
    EXPECT_EQ(sc.at(p, 3, 1, 0), 0.0);
}

TEST(LineSources, PeakEmissionAndNitrogenOxides) {
    Scene sc;
    const int jina = sc.pollutant(kTypeJina);
    const int nox = sc.pollutant(kTypeNOX);
    sc.line(-50, 0, 50, 0, 10);
    sc.compute(0, -300);
    const double st = sc.at(jina, 3, 1, 0), an = sc.annual(jina, 1, 0);
    ASSERT_GT(st, 0.0);
    // NOX: 1.667 in the annual slot only.
    EXPECT_EQ(sc.at(nox, 3, 1, 0), st);
    EXPECT_NEAR(sc.annual(nox, 1, 0), 1.667 * an, 1e-14 * an);
    // Half the peak ratio halves the short-term values only.
    sc.settings.emissionPeakRatio[0] = 1.2;
    sc.compute(0, -300);
    EXPECT_NEAR(sc.at(jina, 3, 1, 0), st / 2, 1e-14 * st);
    EXPECT_NEAR(sc.annual(jina, 1, 0), an, 1e-14 * an);
    // Without a peak ratio there is no short-term value, and still an annual mean.
    sc.settings.emissionPeakRatio[0] = 0;
    sc.compute(0, -300);
    EXPECT_EQ(sc.at(jina, 3, 1, 0), 0.0);
    EXPECT_NEAR(sc.annual(jina, 1, 0), an, 1e-13 * an);
}

TEST(LineSources, DustAndZeroLength) {
    Scene sc;
    const int pm10 = sc.pollutant(kTypePM10);
    const int jina = sc.pollutant(kTypeJina);
    sc.line(-50, 0, 50, 0, 10);
    sc.line(5, 5, 5, 5, 10);  // both end points equal
    sc.compute(0, -300);
    // Dust settles: below the gas value V = 2.
    EXPECT_GT(sc.at(pm10, 3, 0, 0), 0.0);
    EXPECT_LT(sc.at(pm10, 3, 0, 0), sc.at(jina, 3, 0, 0));
    double zero_length = 0;
    for (int c = 0; c < kCaseSlots; ++c) zero_length += sc.conc.value(jina, c, 1) + sc.conc.value(pm10, c, 1);
    EXPECT_EQ(zero_length, 0.0);
}
