// Area sources: emission densities, the far field and the near-field
// sub-squares against the formulas written out by hand, and the range
// limits at their exact boundaries.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/model/model_scene.h"

using namespace zemo;
using zemo::test::pi;
using zemo::test::Scene;

namespace {

// Class IV constants and the square of the tests: S = 100 m, h = 5 m, no
// heat (rise = the class-IV sigma_z minimum, 3 m), receptor at the ground,
// wind from the north at 5 m/s (speed class 2).
const double a = 0.5052, b = 0.9208, c = 0.9904, bz = 0.239, cz = 0.787;
const double S = 100, h = 5, u = 5;
const double sz0 = std::max(20.0 / 43 * h, 3.0);
const double xvz = std::pow(sz0 / bz, 1 / cz);
const double xf = 20.0 / 3 * 0.41 * 3.0 * std::pow(0.5 * (h + 3.0), 0.14);

double xvy_of(double sy0) {
    const double q = std::max((std::log10(sy0) - a) / b, 0.0);
    return std::pow(10.0, std::pow(q, 1 / c) + 2);
}
double curve(double quotient) {
    const double L = quotient >= 1 ? std::log10(quotient) : 0.0;
    return std::pow(10.0, a + b * std::pow(L, c));
}
double gas_V(double H, double sigma) { return 2 * std::exp(-(H / sigma) * (H / sigma) / 2); }

// Near field for a receptor at (xr, yr), the square centred at the origin:
// the sum over the n x n sub-squares of V Phi (before Ed, D and 0.9).
double near_sum(double xr, double yr, int n, int* used = nullptr) {
    const double side = S / n, e = n == 4 ? S / 8 : S / 6;
    const double offsets4[4] = {3 * S / 8, S / 8, -S / 8, -3 * S / 8};
    const double offsets3[3] = {S / 3, 0, -S / 3};
    const double* offsets = n == 4 ? offsets4 : offsets3;
    const double rs = side / std::sqrt(pi());
    const double dmin = std::min(1.41 * e, rs + 1);
    const double sy0 = 10.0 / 43 * e;
    const double xvy = xvy_of(sy0);
    double sum = 0;
    int count = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            // wind from the north: downwind is -y, crosswind +x
            const double xj = -(yr - offsets[j]);
            const double yj = xr - offsets[i];
            if (xj < dmin || std::fabs(yj) > 2 * rs || xj + xvy - rs < 100) continue;
            ++count;
            const double rise = xj < xf ? 3.0 * std::pow(xj / xf, 2.0 / 3) : 3.0;
            const double sy = std::max(curve((xj + xvy - rs) / 100), sy0);
            const double szt = std::max(bz * std::pow(xj + xvz - rs, cz), sz0) + sz0;
            const double Phi =
                (std::erf((rs + yj) / (std::sqrt(2.0) * sy)) + std::erf((rs - yj) / (std::sqrt(2.0) * sy))) * side /
                (4 * std::sqrt(2.0) * u * szt);
            sum += gas_V(h + rise, szt) * Phi;
        }
    if (used) *used = count;
    return sum;
}

// Far field: C0 / Ed for a receptor x downwind, y crosswind of the centre.
double far_value(double x, double y) {
    const double R = S / std::sqrt(pi());
    const double sy0 = 10.0 / 43 * S;
    const double rise = x < xf ? 3.0 * std::pow(x / xf, 2.0 / 3) : 3.0;
    const double sy = std::max(curve((x + xvy_of(sy0) - R) / 100), sy0);
    const double szt = std::max(bz * std::pow(x + xvz - R, cz), sz0) + sz0;
    const double syt = sy + sy0;
    const double pair = std::erf((R + y) / (std::sqrt(2.0) * syt)) + std::erf((R - y) / (std::sqrt(2.0) * syt));
    return gas_V(h + rise, szt) * S * pair / (4 * std::sqrt(2.0) * u * szt);
}

// Ed of the test square: class 1, 0.8 E / (0.4 S^2) = 2 E / S^2.
const double kEd = 2 * 1e6 / (S * S);

}  // namespace

TEST(AreaSources, EmissionDensityByClassAndType) {
    Scene sc;
    const int jina = sc.pollutant(kTypeJina);
    const int nox = sc.pollutant(kTypeNOX);
    const int no2 = sc.pollutant(kTypeNO2);
    const int co = sc.pollutant(kTypeCO);
    sc.area(0, 0, 0, 5, 0, 50, kClassOther);
    sc.area(0, 0, 0, 5, 0, 50, kClassTraffic);
    sc.prepare();
    // class 1: 0.8 E / (0.4 S^2), NOX and NO2 0.8 E / (0.5 S^2); traffic: 1.0 E / S^2
    EXPECT_NEAR(emission_density(sc.model.run, 0, jina), 800, 1e-10);
    EXPECT_NEAR(emission_density(sc.model.run, 0, nox), 640, 1e-10);
    EXPECT_NEAR(emission_density(sc.model.run, 0, no2), 640, 1e-10);
    EXPECT_NEAR(emission_density(sc.model.run, 0, co), 800, 1e-10);
    for (int p : {jina, nox, no2, co}) EXPECT_NEAR(emission_density(sc.model.run, 1, p), 400, 1e-10);
    // The peak ratio of the squares applies to NOX, NO2 and CO only.
    sc.settings.emissionPeakRatio[1] = 2;
    sc.settings.buildingCharacter[1] = 0.5;
    sc.prepare();
    EXPECT_NEAR(emission_density(sc.model.run, 0, jina), 800, 1e-10);
    EXPECT_NEAR(emission_density(sc.model.run, 0, nox), 1280, 1e-10);
    EXPECT_NEAR(emission_density(sc.model.run, 0, co), 1600, 1e-10);
    EXPECT_NEAR(emission_density(sc.model.run, 1, jina), 200, 1e-10);
    EXPECT_NEAR(emission_density(sc.model.run, 1, no2), 400, 1e-10);
}

TEST(AreaSources, NearFieldDivisions) {
    const NearDivision four = near_division(100, true), three = near_division(100, false);
    EXPECT_EQ(four.n, 4);
    EXPECT_EQ(four.side, 25.0);
    EXPECT_EQ(four.offsets[0], 37.5);
    EXPECT_EQ(four.offsets[1], 12.5);
    EXPECT_EQ(four.offsets[2], -12.5);
    EXPECT_EQ(four.offsets[3], -37.5);
    EXPECT_NEAR(four.rs, 25 / std::sqrt(pi()), 1e-12);
    EXPECT_NEAR(four.dmin, 25 / std::sqrt(pi()) + 1, 1e-12);  // below 1.41 * 12.5
    EXPECT_EQ(three.n, 3);
    EXPECT_NEAR(three.offsets[0], 100.0 / 3, 1e-12);
    EXPECT_EQ(three.offsets[1], 0.0);
    EXPECT_NEAR(three.e, 100.0 / 6, 1e-12);
    // A small square: 1.41 e is the smaller distance.
    EXPECT_NEAR(near_division(8, true).dmin, 1.41, 1e-12);
}

TEST(AreaSources, ReceptorAtTheCentreUsesTheSubSquaresUpwindOfIt) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.area(0, 0, 0, h, 0, S, kClassOther);
    sc.compute(0, 0);
    int used = 0;
    const double expected = near_sum(0, 0, 4, &used) * kEd * 0.9;
    // Only the two sub-squares 37.5 m upwind and 12.5 m to either side count.
    EXPECT_EQ(used, 2);
    EXPECT_NEAR(sc.at(p, 3, 1, 0), expected, 1e-6 * expected);
    // Any direction sees the same at the centre of a square, up to its orientation.
    EXPECT_GT(sc.at(p, 3, 1, 12), 0.0);
    EXPECT_NEAR(sc.at(p, 3, 1, 12), sc.at(p, 3, 1, 0), 1e-9 * expected);
    // Annual slot: 0.01 x operating share x frequency per sub-square, no 0.9.
    EXPECT_NEAR(sc.annual(p, 1, 0), expected / 0.9 * 0.01 * 1.0, 1e-6 * expected);
}

TEST(AreaSources, NearAndFarFieldBoundaries) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.area(0, 0, 0, h, 0, S, kClassOther);
    const double R = S / std::sqrt(pi());
    // x = R + 1 still 4 x 4; a little farther 3 x 3.
    for (double x : {R + 1, R + 1.5, R + 30, S / 2 + R - 0.01}) {
        sc.compute(7, -x);
        const int n = x <= R + 1 ? 4 : 3;
        const double expected = near_sum(7, -x, n) * kEd * 0.9;
        EXPECT_NEAR(sc.at(p, 3, 1, 0), expected, 1e-6 * expected) << x;
        EXPECT_NE(near_sum(7, -x, 7 - n), near_sum(7, -x, n));
    }
    // From S/2 + R on the square is one source.
    for (double x : {S / 2 + R, 400.0}) {
        sc.compute(-20, -x);
        const double expected = far_value(x, -20) * 0.9 * kEd;
        EXPECT_NEAR(sc.at(p, 3, 1, 0), expected, 1e-6 * expected) << x;
        EXPECT_NEAR(sc.annual(p, 1, 0), expected / 0.9 / 100, 1e-6 * expected);  // frequency 1 %
    }
}

TEST(AreaSources, RangeLimitsAtTheirBoundaries) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.area(0, 0, 0, h, 0, S, kClassOther);
    const double R = S / std::sqrt(pi());
    sc.compute(0, -(2500 + R));
    EXPECT_GT(sc.at(p, 3, 1, 0), 0.0);
    sc.compute(0, -(2500 + R + 0.01));
    EXPECT_EQ(sc.at(p, 3, 1, 0), 0.0);
    // 1000 m + R to the side, class V (wide plume) at 2400 m.
    sc.compute(1000 + R, -2400);
    EXPECT_GT(sc.at(p, 4, 0, 0), 0.0);
    sc.compute(1000 + R + 0.01, -2400);
    EXPECT_EQ(sc.at(p, 4, 0, 0), 0.0);
}

TEST(AreaSources, RiseTerrainAndTraffic) {
    Scene sc;
    const int p = sc.pollutant(kTypeJina);
    sc.area(0, 0, 0, 20, 0, S, kClassOther);
    sc.area(0, 0, 0, 20, 0, S, kClassTraffic);
    sc.area(0, 0, 0, 20, 40, S, kClassOther);
    sc.prepare();
    // Without heat output the rise is the class sigma_z minimum; with heat A/u.
    const double minima[5] = {1.5, 1.5, 1.5, 3.0, 5.0};
    for (int k = 0; k < 5; ++k)
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(sc.model.areas.plume.rise[(0 * 5 + k) * 3 + s], minima[k]);
            const double uk = sc.settings.classSpeed[s] * std::pow(2.0, zemo::plume::kClass[k].m);
            EXPECT_NEAR(sc.model.areas.plume.rise[(2 * 5 + k) * 3 + s], 40 / uk, 1e-12);
        }
    // The traffic square follows no terrain: a receptor above the base sees
    // the same plume height, the class-1 square's plume is lifted.
    sc.compute(0, -500, 0);
    const double level_other = sc.at(p, 3, 1, 0, 0), level_traffic = sc.at(p, 3, 1, 0, 1);
    sc.compute(0, -500, -30);
    EXPECT_EQ(sc.at(p, 3, 1, 0, 0), level_other);
    sc.compute(0, -500, 10);
    EXPECT_NE(sc.at(p, 3, 1, 0, 0), level_other);
    // The traffic plume is not lifted; only the receptor height 10 m changes.
    Scene flat;
    const int q = flat.pollutant(kTypeJina);
    flat.area(0, 0, 0, 20, 0, S, kClassTraffic);
    flat.compute(0, -500, 10);
    EXPECT_EQ(sc.at(p, 3, 1, 0, 1), flat.at(q, 3, 1, 0));
    EXPECT_NE(sc.at(p, 3, 1, 0, 1), level_traffic);
}

TEST(AreaSources, RemovalNeverAmplifiesUpwindOfTheCentre) {
    Scene sc;
    const int jina = sc.pollutant(kTypeJina);
    const int so2 = sc.pollutant(kTypeSO2);
    sc.area(0, 0, 0, h, 0, S, kClassOther);
    sc.compute(0, 20);  // 20 m upwind of the centre, inside the square
    EXPECT_GT(sc.at(jina, 3, 1, 0), 0.0);
    EXPECT_EQ(sc.at(so2, 3, 1, 0), sc.at(jina, 3, 1, 0));
    sc.compute(0, -300);
    EXPECT_LT(sc.at(so2, 3, 1, 0), sc.at(jina, 3, 1, 0));
    EXPECT_NEAR(sc.at(so2, 3, 1, 0), sc.at(jina, 3, 1, 0) * std::exp(-4.81e-5 * 300 / 5), 1e-12 * sc.at(jina, 3, 1, 0));
    // Far upwind nothing.
    sc.compute(0, 200);
    EXPECT_EQ(sc.at(jina, 3, 1, 0), 0.0);
}

TEST(AreaSources, NitrogenOxidesNearTheCentre) {
    Scene sc;
    const int nox = sc.pollutant(kTypeNOX);
    const int no2 = sc.pollutant(kTypeNO2);
    const int jina = sc.pollutant(kTypeJina);
    sc.area(0, 0, 0, h, 0, S, kClassOther, 1e6, 1.0, 0.2);
    sc.compute(0, -30);  // x < R + 1: the conversion at R / (2u)
    const double R = S / std::sqrt(pi());
    const zemo::plume::No2Factors F = zemo::plume::no2_factors(R / (2 * u), 0.2);
    const double st = sc.at(nox, 3, 1, 0), an = sc.annual(nox, 1, 0);
    ASSERT_GT(st, 0.0);
    EXPECT_NEAR(sc.at(no2, 3, 1, 0), st * F.Fmax(), 1e-12 * st);
    EXPECT_NEAR(sc.annual(no2, 1, 0), an * F.Fmean(), 1e-12 * an);
    // NOX: 0.5 S^2 instead of 0.4 S^2, 1.667 in the annual slot only.
    EXPECT_NEAR(st, sc.at(jina, 3, 1, 0) * 0.8, 1e-12 * st);
    EXPECT_NEAR(an, sc.annual(jina, 1, 0) * 0.8 * 1.667, 1e-12 * an);
    // In the far field the short-term NOX value carries no 1.667 either.
    sc.compute(0, -600);
    EXPECT_NEAR(sc.at(nox, 3, 1, 0), sc.at(jina, 3, 1, 0) * 0.8, 1e-12 * sc.at(nox, 3, 1, 0));
    EXPECT_NEAR(sc.annual(nox, 1, 0), sc.annual(jina, 1, 0) * 0.8 * 1.667, 1e-12 * sc.annual(nox, 1, 0));
}

TEST(AreaSources, DustNearAndFar) {
    Scene sc;
    const int tsp = sc.pollutant(kTypeTSP);
    const int jina = sc.pollutant(kTypeJina);
    sc.area(0, 0, 0, h, 0, S, kClassOther);
    for (double x : {0.0, 60.0, 800.0}) {
        sc.compute(0, -x);
        EXPECT_GT(sc.at(tsp, 3, 0, 0), 0.0) << x;
        EXPECT_NE(sc.at(tsp, 3, 0, 0), sc.at(jina, 3, 0, 0)) << x;
        for (int c = 0; c < kCaseSlots; ++c) EXPECT_GE(sc.conc.value(tsp, c, 0), 0.0);
    }
}
