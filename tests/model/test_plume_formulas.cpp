// The shared plume formulas against hand calculations and limits.
#include <gtest/gtest.h>

#include <cmath>

#include "model/plume_formulas.h"
#include "tests/model/model_scene.h"

using namespace zemo;
using namespace zemo::plume;

TEST(PlumeFormulas, ConstantsAndCutoff) {
    EXPECT_EQ(constants().pi, 3.14159265358979323846);
    EXPECT_DOUBLE_EQ(constants().two_sqrt_2pi, 5.0132565492620005);
    EXPECT_DOUBLE_EQ(constants().four_sqrt2, 5.656854249492381);
    // G = sqrt(-2 ln 1e-50): a Gaussian is cut off where it falls below 1e-50.
    EXPECT_NEAR(kGaussCutoff, std::sqrt(-2 * std::log(1e-50)), 1e-12);
}

TEST(PlumeFormulas, WindProfileAndTurning) {
    // Class IV at 50 m: 5 * 5^0.14; at 10 m the profile gives the class speed.
    EXPECT_NEAR(wind_speed(5.0, 50, 3), 5.0 * std::exp(0.14 * std::log(5.0)), 1e-13);
    EXPECT_DOUBLE_EQ(wind_speed(1.7, 10, 0), 1.7);
    // 0.04 degree per metre above 10 m.
    EXPECT_NEAR(wind_turning(60) * 180 / zemo::test::pi(), 2.0, 1e-13);
    EXPECT_EQ(wind_turning(10), 0.0);
}

TEST(PlumeFormulas, RiseGrowsWithTheTwoThirdsPowerUpToTheFinalDistance) {
    // xf = (20/3) kappa dh (0.5 (h + dh))^m: 18 * 40^0.14 for dh 30, h 50, class IV, speed class 1.
    EXPECT_NEAR(final_rise_distance(30, 50, 3, 0), 18 * std::pow(40.0, 0.14), 1e-12);
    EXPECT_NEAR(final_rise_distance(30, 50, 3, 2), 240 * std::pow(40.0, 0.14), 1e-10);
    // (1/8)^(2/3) = 1/4; at xf and beyond the full rise.
    EXPECT_NEAR(plume_rise(10, 125, 1000), 2.5, 1e-13);
    EXPECT_NEAR(plume_rise(10, 8, 1000), 10 * 0.04, 1e-13);
    EXPECT_EQ(plume_rise(10, 1000, 1000), 10.0);
    EXPECT_EQ(plume_rise(10, 5000, 1000), 10.0);
}

TEST(PlumeFormulas, TerrainTermOnlyAboveTheSourceBase) {
    EXPECT_DOUBLE_EQ(terrain_term(3, 40), 20.0);
    EXPECT_DOUBLE_EQ(terrain_term(4, 10), 9.0);
    EXPECT_EQ(terrain_term(0, 40), 0.0);
    EXPECT_EQ(terrain_term(3, -40), 0.0);
}

TEST(PlumeFormulas, DispersionCurvesAndTheirMinima) {
    const double tan75 = std::tan(7.5 * zemo::test::pi() / 180);
    // Below 100 m the curve term is 10^a; class IV 10^0.5052 + x tan(7.5 deg), at least 10 m.
    EXPECT_DOUBLE_EQ(sigma_y_point(3, 50, tan75), 10.0);
    EXPECT_NEAR(sigma_y_point(3, 90, tan75), std::pow(10.0, 0.5052) + 90 * tan75, 1e-12);
    // 1000 m: L = 1, 10^(a + b).
    EXPECT_NEAR(sigma_y_point(3, 1000, tan75), std::pow(10.0, 0.5052 + 0.9208) + 1000 * tan75, 1e-10);
    EXPECT_NEAR(sigma_y_point(0, 10000, 0), std::pow(10.0, 0.7482 + 0.9189 * std::pow(2.0, 0.978)), 1e-9);
    // sigma_z = bz x^cz with its minimum.
    EXPECT_NEAR(sigma_z(3, 1000, 3), 0.239 * std::pow(1000.0, 0.787), 1e-12);
    EXPECT_EQ(sigma_z(3, 2, 3), 3.0);
    EXPECT_EQ(sigma_z(3, 2, 10), 10.0);
    EXPECT_EQ(sigma_z(4, 1, 5), 5.0);
}

TEST(PlumeFormulas, TheSigmaYBoundIsNeverBelowSigmaY) {
    // From 1 m to 200 km, every class, with and without the sector term,
    // the bound stays above sigma_y: a stack it rules out would otherwise
    // lose a value.
    for (double tan_sector : {0.0, std::tan(7.5 * zemo::test::pi() / 180), std::tan(45 * zemo::test::pi() / 180)})
        for (int k = 0; k < 5; ++k) {
            for (double x = 1; x < 2e5; x *= 1.01)
                ASSERT_GE(sigma_y_point_bound(k, x, tan_sector), sigma_y_point(k, x, tan_sector)) << k << " " << x;
            ASSERT_GE(sigma_y_point_bound(k, 9.99e5, tan_sector), sigma_y_point(k, 9.99e5, tan_sector));
        }
}

TEST(PlumeFormulas, VirtualDistances) {
    // sigma_y0 below 10^a: q <= 0 gives 100 m.
    EXPECT_EQ(virtual_distance_y(3, 3.0), 100.0);
    EXPECT_EQ(virtual_distance_y(3, 0.5), 100.0);
    // sigma_y0 = 10^(a + b): q = 1, xvy = 10^3.
    EXPECT_NEAR(virtual_distance_y(3, std::pow(10.0, 0.5052 + 0.9208)), 1000.0, 1e-9);
    // xvz = (sigma_z0/bz)^(1/cz): sigma_z0 = bz 1000^cz gives 1000.
    EXPECT_NEAR(virtual_distance_z(2, 0.263 * std::pow(1000.0, 0.713)), 1000.0, 1e-9);
}

TEST(PlumeFormulas, GasVerticalTermReflectsAtTheGround) {
    // Receptor at the ground, H = 50, sigma 25: t = 2.
    EXPECT_NEAR(vertical_term_gas(0, 50, 25), 2 * std::exp(-2.0), 1e-15);
    // A receptor below the source base counts as at the ground.
    EXPECT_EQ(vertical_term_gas(-30, 50, 25), vertical_term_gas(0, 50, 25));
    // zr = dz up to 0.8 H: dz 20 -> t = 30/25; dz 100 -> zr = 40, t = 10/25.
    EXPECT_NEAR(vertical_term_gas(20, 50, 25), 2 * std::exp(-0.72), 1e-15);
    EXPECT_NEAR(vertical_term_gas(100, 50, 25), 2 * std::exp(-0.08), 1e-15);
    // Beyond the cut-off exactly 0; at the cut-off still computed.
    EXPECT_EQ(vertical_term_gas(0, 15.2, 1.0), 0.0);
    EXPECT_GT(vertical_term_gas(0, kGaussCutoff, 1.0), 0.0);
}

TEST(PlumeFormulas, DustFractionsSettleAndResetToTheStructuralHeight) {
    Pollutant tsp_p;
    tsp_p.type = kTypeTSP;
    const PollutantModel tsp = pollutant_model(tsp_p);
    Pollutant pm10_p;
    pm10_p.type = kTypePM10;
    const PollutantModel pm10 = pollutant_model(pm10_p);
    ASSERT_TRUE(tsp.dust);
    // The weights of each dust type add up to 1.
    double wt = 0, wp = 0;
    for (int j = 0; j < tsp.fraction_count; ++j) wt += tsp.fractions[j].w;
    for (int j = 0; j < pm10.fraction_count; ++j) wp += pm10.fractions[j].w;
    EXPECT_NEAR(wt, 1.0, 1e-12);
    EXPECT_NEAR(wp, 1.0, 1e-12);

    // Far off every fraction falls below 0 and starts again at h = 10 m:
    // V = 2 sum(w) exp(-(10/sigma)^2/2), the weights summing to 1.
    EXPECT_NEAR(vertical_term_dust(tsp, 0, 10, 10000, 1, 10, 20), 2 * std::exp(-0.125), 1e-12);
    // PM10 at x/u = 1000 s: centres 15 - 1.56 = 13.44, then 13.44 - 14.06 < 0 -> 15.
    const double t1 = 13.44 / 20, t2 = 15.0 / 20;
    EXPECT_NEAR(vertical_term_dust(pm10, 0, 15, 1000, 1, 15, 20),
                2 * 0.55 * std::exp(-t1 * t1 / 2) + 2 * 0.45 * std::exp(-t2 * t2 / 2), 1e-12);
    // The receptor height follows 0.8 of a centre that dropped below it:
    // centre 5 - 1.56 = 3.44, receptor 4 -> 2.752, t = 0.688/2.
    const double t3 = (3.44 - 0.8 * 3.44) / 2;
    // The second fraction drops below 0 (3.44 - 14.06) and restarts at h = 5;
    // the receptor height stays at its lowered 2.752.
    const double t4 = std::fabs(0.8 * 3.44 - 5.0) / 2;
    EXPECT_NEAR(vertical_term_dust(pm10, 4, 5, 1000, 1, 5, 2),
                2 * 0.55 * std::exp(-t3 * t3 / 2) + 2 * 0.45 * std::exp(-t4 * t4 / 2), 1e-12);
}

TEST(PlumeFormulas, RemovalByType) {
    Pollutant p;
    p.type = kTypeSO2;
    EXPECT_NEAR(removal_factor(pollutant_model(p), 10000, 5), std::exp(-0.0962), 1e-15);
    p.type = kTypeORG;
    p.half_life = 2;
    // 0.693, not ln 2: at one half-life of travel 0.5000...
    EXPECT_NEAR(removal_factor(pollutant_model(p), 7200 * 5, 5), std::exp(-0.693), 1e-15);
    p.type = kTypeBZN;
    EXPECT_NEAR(removal_factor(pollutant_model(p), 155.01 * 3600, 1), std::exp(-0.693), 1e-15);
    for (int type : {kTypeJina, kTypeNOX, kTypeNO2, kTypeCO, kTypePM10, kTypeTSP}) {
        p.type = type;
        EXPECT_EQ(removal_factor(pollutant_model(p), 10000, 1), 1.0) << type;
    }
}

TEST(PlumeFormulas, No2ConversionFactors) {
    // At t = 0: A = sqrt(a0), B = c0, Gt = 1/g0.
    const No2Factors f0 = no2_factors(0, 0.1);
    EXPECT_NEAR(f0.F1, 0.1 / 1.06121019528031 + std::sqrt(8.61530983811292e-05), 1e-15);
    EXPECT_NEAR(f0.F2, f0.F1 + 0.2 * -0.0046668084332505, 1e-15);
    EXPECT_EQ(f0.Fmax(), f0.F1);
    // Just before 10000 s the fit meets the constant values it hands over to.
    const No2Factors f9 = no2_factors(9999.99, 0.0);
    EXPECT_NEAR(f9.F1, 0.75, 0.005);
    EXPECT_NEAR(f9.F2, 0.95, 0.03);
    // From 10000 s on: 0.95 for the short-term values, 0.85 for the annual mean.
    for (double t : {10000.0, 20000.0}) {
        const No2Factors f = no2_factors(t, 0.3);
        EXPECT_EQ(f.Fmax(), 0.95);
        EXPECT_DOUBLE_EQ(f.Fmean(), 0.85);
    }
    Pollutant so2;
    so2.type = kTypeSO2;
    const No2Factors none = conversion_factors(pollutant_model(so2), 10, 0.1);
    EXPECT_EQ(none.F1, 1.0);
    EXPECT_EQ(none.F2, 1.0);
}

TEST(PlumeFormulas, ErrorFunctionApproximation) {
    // The approximation is within 1.2e-7 of the error function everywhere.
    for (double v = -6; v <= 6; v += 0.01) EXPECT_NEAR(erf_approx(v), std::erf(v), 1.3e-7) << v;
    // It is odd up to rounding, but not exactly 0 at 0.
    EXPECT_NE(erf_approx(0), 0.0);
    EXPECT_LT(std::fabs(erf_approx(0)), 1e-7);
    EXPECT_EQ(erf_approx(30), 1.0);
    EXPECT_EQ(erf_approx(-30), -1.0);
    // A pair that cancels never comes out negative.
    EXPECT_EQ(erf_pair(0, 0), std::max(0.0, 2 * erf_approx(0)));
    EXPECT_GE(erf_pair(0.3, -0.3), 0.0);
    EXPECT_NEAR(erf_pair(1, 1), 2 * std::erf(1.0), 3e-7);
}

TEST(PlumeFormulas, PollutantBehaviourByType) {
    Pollutant p;
    p.type = kTypeNOX;
    EXPECT_EQ(pollutant_model(p).fN, 1.667);
    EXPECT_TRUE(pollutant_model(p).area_peak);
    EXPECT_FALSE(pollutant_model(p).no2);
    p.type = kTypeNO2;
    EXPECT_TRUE(pollutant_model(p).no2);
    EXPECT_EQ(pollutant_model(p).fN, 1.667);
    p.type = kTypeCO;
    EXPECT_TRUE(pollutant_model(p).area_peak);
    EXPECT_EQ(pollutant_model(p).fN, 1.0);
    p.type = kTypeSO2;
    EXPECT_FALSE(pollutant_model(p).area_peak);
    EXPECT_FALSE(pollutant_model(p).dust);
}
