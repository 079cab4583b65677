// Point sources against the Gaussian plume written out by hand, and the
// rules of the two passes.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/model/model_scene.h"

using namespace zemo;
using zemo::test::pi;
using zemo::test::Scene;

namespace {

// The textbook Gaussian plume at ground level with an image source, for
// class IV: Q/(2 pi u sy sz) exp(-y^2/2sy^2) [exp(-H^2/2sz^2) + exp(-H^2/2sz^2)].
double ground_plume_class4(double Q, double u, double x, double y, double H, double sz_min, double sector_deg) {
    const double L = x >= 100 ? std::log10(x / 100) : 0.0;
    const double sy =
        std::max(10.0, std::pow(10.0, 0.5052 + 0.9208 * std::pow(L, 0.9904)) + x * std::tan(sector_deg * pi() / 180));
    const double sz = std::max(sz_min, 0.239 * std::pow(x, 0.787));
    const double image = std::exp(-H * H / (2 * sz * sz));
    return Q / (2 * pi() * u * sy * sz) * std::exp(-y * y / (2 * sy * sy)) * (image + image);
}

// Full rise A/u reached at xf = (20/3) kappa dh (0.5 (h + dh))^0.14, grown
// with the 2/3 power before.
double rise_class4(double A, double u, double h, double kappa, double x) {
    const double dh = A / u;
    const double xf = 20.0 / 3.0 * kappa * dh * std::pow(0.5 * (h + dh), 0.14);
    return x < xf ? dh * std::pow(x / xf, 2.0 / 3.0) : dh;
}

constexpr double kSpeeds[3] = {1.7, 5.0, 11.0};
constexpr double kKappas[3] = {0.09, 0.41, 1.2};

}  // namespace

TEST(PointSources, RemoteSourceStraightDownwindIsTheGaussianPlume) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.point(0, 0, 0, 50, 100, kClassRemote, 2.5e6, 0.5);
    sc.roses.Wnd_frequency[0][case_slot(5, 1, 0)] = 5.0;
    // Wind from the north (d = 0) carries the plume to -y.
    for (double cross : {0.0, 300.0, -120.0}) {
        sc.compute(cross, -2000);
        for (int s = 0; s < 3; ++s) {
            const double u = kSpeeds[s] * std::pow(5.0, 0.14);
            const double H = 50 + rise_class4(100, u, 50, kKappas[s], 2000);
            const double expected = ground_plume_class4(2.5e6, u, 2000, cross, H, 10, 7.5) * 0.9;
            for (int k = 0; k < 5; ++k) EXPECT_NEAR(sc.at(p, k, s, 0), expected, 1e-12 * expected) << s << k;
            if (s == 1) {
                // Annual slot: the class-IV value without 0.9, times the operating
                // share and the frequency of (s, d) over all classes in percent.
                EXPECT_NEAR(sc.annual(p, 1, 0), expected / 0.9 * 0.5 * 5.0 / 100, 1e-12 * expected);
            }
        }
    }
}

TEST(PointSources, RiseBelowTheFinalDistanceFollowsTheTwoThirdsLaw) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.point(0, 0, 0, 50, 3000, kClassRemote);
    sc.compute(0, -2000);
    // Speed class 3: dh = 3000/u is about 217 m and xf about 3400 m > 2000 m.
    const double u = 11.0 * std::pow(5.0, 0.14);
    const double dh = 3000 / u;
    const double xf = 20.0 / 3.0 * 1.2 * dh * std::pow(0.5 * (50 + dh), 0.14);
    ASSERT_GT(xf, 2000);
    const double H = 50 + dh * std::pow(2000 / xf, 2.0 / 3.0);
    const double expected = ground_plume_class4(1e6, u, 2000, 0, H, 10, 7.5) * 0.9;
    EXPECT_NEAR(sc.at(p, 3, 2, 0), expected, 1e-12 * expected);
    // The full rise would put the plume much higher and the value far lower.
    EXPECT_GT(sc.at(p, 3, 2, 0), 1.5 * ground_plume_class4(1e6, u, 2000, 0, 50 + dh, 10, 7.5) * 0.9);
}

TEST(PointSources, ClassDependentSourceWithProfileAndTurning) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.point(0, 0, 0, 60, 0, kClassOther);
    // Above 10 m the wind turns by 0.04 degree per metre: 2 degrees at 60 m.
    const double turn = 2.0 * pi() / 180;
    const double dist = 1500;
    sc.compute(-dist * std::sin(turn), -dist * std::cos(turn));
    for (int s = 0; s < 3; ++s) {
        const double u = kSpeeds[s] * std::pow(6.0, 0.14);
        const double expected = ground_plume_class4(1e6, u, dist, 0, 60, 3, 7.5) * 0.9;
        EXPECT_NEAR(sc.at(p, 3, s, 0), expected, 1e-9 * expected) << s;
    }
    // A source at 10 m neither turns nor uses the profile: u = class speed.
    Scene low;
    const int q = low.pollutant(kTypeJina);
    low.point(0, 0, 0, 10, 0, kClassOther);
    low.compute(0, -1500);
    const double expected = ground_plume_class4(1e6, 5.0, 1500, 0, 10, 3, 7.5) * 0.9;
    EXPECT_NEAR(low.at(q, 3, 1, 0), expected, 1e-12 * expected);
}

TEST(PointSources, ComputedFromOneMetreDownwind) {
    for (int cls : {kClassRemote, kClassOther}) {
        Scene sc;
        const int p = sc.pollutant(kTypeJina);
        sc.point(0, 0, 0, 5, 0, cls);
        sc.compute(0, -1.0);
        // Only d = 0 has the receptor 1 m downwind; d = 1 gives 1 m cos(7.5 deg).
        EXPECT_GT(sc.at(p, 3, 1, 0), 0.0) << cls;
        EXPECT_GT(sc.annual(p, 1, 0), 0.0);
        double others = 0;
        for (int d = 1; d < 48; ++d) others += sc.at(p, 3, 1, d);
        EXPECT_EQ(others, 0.0);
        sc.compute(0, -0.999);
        EXPECT_EQ(sc.total(p), 0.0) << cls;
        // Upwind nothing either.
        sc.compute(0, 500);
        EXPECT_EQ(sc.at(p, 3, 1, 0), 0.0);
    }
}

TEST(PointSources, RemoteSourcesFillAllClassSlotsAlike) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.point(0, 0, 0, 30, 50, kClassRemote);
    sc.point(0, 0, 0, 30, 50, kClassOther);
    sc.compute(40, -900);
    for (int s = 0; s < 3; ++s) {
        for (int d = 0; d < 48; ++d) {
            for (int k = 1; k < 5; ++k) EXPECT_EQ(sc.at(p, k, s, d, 0), sc.at(p, 0, s, d, 0));
        }
    }
    EXPECT_GT(sc.at(p, 0, 1, 0, 0), 0.0);
    // The class-1 source differs from class to class.
    for (int k = 1; k < 5; ++k) EXPECT_NE(sc.at(p, k, 1, 0, 1), sc.at(p, k - 1, 1, 0, 1)) << k;
}

TEST(PointSources, FrequencyBelowThresholdGivesNothing) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.point(0, 0, 0, 30, 0, kClassRemote);
    sc.point(0, 0, 0, 30, 0, kClassOther);
    // Class IV of (s = 1, d = 0) below 0.00001, class V present.
    sc.roses.Wnd_frequency[0][case_slot(3, 1, 0)] = 0.000009;
    sc.roses.Wnd_frequency[0][case_slot(4, 1, 0)] = 3.0;
    sc.compute(0, -800);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(sc.at(p, k, 1, 0, 0), 0.0) << k;
    EXPECT_EQ(sc.annual(p, 1, 0, 0), 0.0);
    // The class-1 source still has its class-V value, but no annual share through (s, d).
    EXPECT_GT(sc.at(p, 4, 1, 0, 1), 0.0);
    EXPECT_EQ(sc.at(p, 3, 1, 0, 1), 0.0);
    EXPECT_EQ(sc.annual(p, 1, 0, 1), 0.0);
    EXPECT_GT(sc.annual(p, 2, 0, 1), 0.0);
}

TEST(PointSources, NitrogenOxidesCountAsNO2MassAndConvert) {
    Scene sc;
    const int jina = sc.pollutant(kTypeJina);
    const int nox = sc.pollutant(kTypeNOX);
    const int no2 = sc.pollutant(kTypeNO2);
    sc.point(0, 0, 0, 5, 0, kClassOther, 1e6, 1.0, 0.1);
    // 20 km at 1.7 m/s: 11765 s of travel, beyond 10000 s.
    sc.compute(0, -20000);
    const double base = sc.at(jina, 3, 0, 0), base_annual = sc.annual(jina, 0, 0);
    ASSERT_GT(base, 0.0);
    EXPECT_NEAR(sc.at(nox, 3, 0, 0), 1.667 * base, 1e-14 * base);
    EXPECT_NEAR(sc.annual(nox, 0, 0), 1.667 * base_annual, 1e-14 * base_annual);
    EXPECT_NEAR(sc.at(no2, 3, 0, 0), 1.667 * 0.95 * base, 1e-14 * base);
    EXPECT_NEAR(sc.annual(no2, 0, 0), 1.667 * 0.85 * base_annual, 1e-14 * base_annual);
    // At 5 m/s the travel time is 4000 s: the polynomials apply.
    const double F1 = 0.1 / (1.06121019528031 + 0.0221325458160538 * 4000 + 6.8475294143094e-05 * 16e6);
    EXPECT_LT(sc.at(no2, 3, 1, 0), 1.667 * 0.95 * sc.at(jina, 3, 1, 0));
    EXPECT_GT(sc.at(no2, 3, 1, 0), 1.667 * F1 * sc.at(jina, 3, 1, 0));
}

TEST(PointSources, CrosswindSymmetry) {
    Scene sc;
    const int p = sc.pollutant(kTypeSO2);
    sc.point(0, 0, 0, 8, 40, kClassOther);
    sc.compute(150, -800);
    std::vector<double> right(kCaseSlots);
    for (int c = 0; c < kCaseSlots; ++c) right[c] = sc.conc.value(p, c, 0);
    sc.compute(-150, -800);
    // The mirror image x -> -x turns direction d into 48 - d.
    for (int k = 0; k < 6; ++k)
        for (int s = 0; s < 3; ++s)
            for (int d = 0; d < 48; ++d) {
                const double a = right[case_slot(k, s, d)];
                const double b = sc.conc.value(p, case_slot(k, s, (48 - d) % 48), 0);
                EXPECT_NEAR(a, b, 1e-9 * std::max(a, b) + 1e-30) << k << " " << s << " " << d;
            }
    EXPECT_GT(right[case_slot(2, 1, 0)], 0.0);
}

TEST(PointSources, TerrainBelowTheBaseIsIgnored) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    const int tsp = sc.pollutant(kTypeTSP);
    sc.point(0, 0, 100, 20, 30, kClassOther);
    sc.compute(0, -700, 100);
    std::vector<double> level(kCaseSlots), level_tsp(kCaseSlots);
    for (int c = 0; c < kCaseSlots; ++c) {
        level[c] = sc.conc.value(p, c, 0);
        level_tsp[c] = sc.conc.value(tsp, c, 0);
    }
    sc.compute(0, -700, 40);
    for (int c = 0; c < kCaseSlots; ++c) {
        EXPECT_EQ(sc.conc.value(p, c, 0), level[c]);
        EXPECT_EQ(sc.conc.value(tsp, c, 0), level_tsp[c]);
    }
    // A receptor above the base sees a lifted plume (terrain term) and sits higher.
    sc.compute(0, -700, 130);
    EXPECT_NE(sc.at(p, 3, 1, 0), level[case_slot(3, 1, 0)]);
}

TEST(PointSources, RotationAndDirectionCount) {
    Scene a, b;
    const int p = a.pollutant(kTypeJina);
    b.pollutant(kTypeJina);
    a.point(0, 0, 0, 5, 0, kClassOther);
    b.point(0, 0, 0, 5, 0, kClassOther);
    b.project.rotation = 15;  // direction 2 (15 degrees) then blows along the grid's north
    a.compute(0, -600);
    b.compute(0, -600);
    EXPECT_GT(a.at(p, 3, 1, 0), 0.0);
    EXPECT_EQ(b.at(p, 3, 1, 2), a.at(p, 3, 1, 0));

    Scene c;
    const int q = c.pollutant(kTypeJina);
    c.settings.directions = 16;
    c.point(0, 0, 0, 5, 0, kClassOther);
    c.point(0, 0, 0, 50, 0, kClassRemote);
    c.compute(-300, 300);  // north-west of the sources: wind from 135 degrees, d = 6 of 16
    for (int k = 0; k < 6; ++k)
        for (int s = 0; s < 3; ++s)
            for (int d = 16; d < 48; ++d) {
                EXPECT_EQ(c.conc.value(q, case_slot(k, s, d), 0), 0.0);
                EXPECT_EQ(c.conc.value(q, case_slot(k, s, d), 1), 0.0);
            }
    EXPECT_GT(c.at(q, 3, 1, 6, 0), 0.0);
    EXPECT_GT(c.at(q, 3, 1, 6, 1), 0.0);
}
