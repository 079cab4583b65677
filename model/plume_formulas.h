// The plume formulas shared by the point, line and area sources: class
// constants, wind profile and turning, plume rise with its 2/3 growth,
// terrain term, the dispersion curves sigma_y and sigma_z, the vertical term
// for gases and for dust fractions, first-order removal, the NO2/NOx
// conversion factors and the error-function approximation of the roads and
// squares.
//
// Symbols: x downwind distance (m), y crosswind offset (m), dz height of the
// receptor over the source base (m), h structural height (m), u wind speed
// at the source (m/s), k stability class 0..4 (I..V), s speed class 0..2.
//
// Every formula is evaluated in the order in which the model describes it,
// so that results are reproducible to the last bit on every platform.
#pragma once

#include <array>
#include <cmath>

#include "input/case_layout.h"
#include "input/project_file.h"

namespace zemo::plume {

// Constants prepared once per run (pi is taken as 2 asin 1).
struct Constants {
    double pi;
    double two_pi;
    double sqrt_pi;
    double sqrt2;
    double four_sqrt2;
    double two_sqrt_2pi;
    double deg_to_rad;  // pi / 180
};
const Constants& constants();

// A Gaussian exp(-t^2/2) is taken as 0 when |t| > G = sqrt(-2 ln 1e-50).
inline constexpr double kGaussCutoff = 15.174271293851463;
// Annual divisor 0.9 * 100: removes the short-term factor 0.9 again.
inline constexpr double kAnnualDivisor = 90.0;
// Every short-term (class slot) value is multiplied by this factor.
inline constexpr double kShortTermFactor = 0.9;
// A wind-rose frequency (percent) below this skips the case.
inline constexpr double kMinFrequency = 0.00001;
// NOX and NO2 emissions counted as NO2 mass.
inline constexpr double kNoxFactor = 1.667;

// Per-class constants, k = 0..4 for the classes I to V.
struct ClassConstants {
    double m;            // wind-profile exponent
    double tau;          // terrain factor
    double a, b, c;      // sigma_y curve
    double bz, cz;       // sigma_z curve
    double sigma_z_min;  // sigma_z minimum of pass B, roads and squares, m
};
inline constexpr ClassConstants kClass[kStabilityClasses] = {
    {0.33, 0.0, 0.7482, 0.9189, 0.978, 0.2694, 0.595, 1.5}, {0.25, 0.1, 0.8388, 0.9112, 0.9909, 0.2779, 0.651, 1.5},
    {0.18, 0.2, 0.9191, 0.9166, 0.9912, 0.263, 0.713, 1.5}, {0.14, 0.5, 0.5052, 0.9208, 0.9904, 0.239, 0.787, 3.0},
    {0.1, 0.9, 1.1818, 0.9272, 0.9706, 0.1782, 0.971, 5.0},
};
inline constexpr int kClassIV = 3;
// The sigma_z minimum of the remote point sources (computed as class IV).
inline constexpr double kRemoteSigmaZMin = 10.0;

// Plume-rise distance coefficient per speed class.
inline constexpr double kKappa[kSpeedClasses] = {0.09, 0.41, 1.2};

// Dust fractions: settling velocity v (m/s) and mass weight w.
struct DustFraction {
    double v, w;
};
inline constexpr DustFraction kPM10Fractions[2] = {{0.00156, 0.55}, {0.01406, 0.45}};
inline constexpr DustFraction kTSPFractions[7] = {{0.00156, 0.33}, {0.01406, 0.28}, {0.03906, 0.22}, {0.07656, 0.1},
                                                  {0.12656, 0.04}, {0.18906, 0.01}, {0.225, 0.02}};

// What the model does with one pollutant, derived from its type.
enum class Removal { None, SO2, HalfLife };
struct PollutantModel {
    int type = kTypeJina;
    bool dust = false;
    const DustFraction* fractions = nullptr;
    int fraction_count = 0;
    Removal removal = Removal::None;
    double half_life = 0;    // hours (ORG: the pollutant's, BZN: 155.01)
    bool no2 = false;        // NO2/NOx conversion factors apply
    double fN = 1.0;         // 1.667 for NOX and NO2
    bool area_peak = false;  // NOX, NO2, CO: the squares' peak emission ratio applies
};
PollutantModel pollutant_model(const Pollutant& pollutant);

// 1. Wind speed at height h: classSpeed * (0.1 h)^m[k].
double wind_speed(double class_speed, double h, int k);
// 2. Turning of the wind with height above 10 m, radians: (h - 10) pi / 4500.
double wind_turning(double h);
// 3. Distance of the final rise: (20/3) kappa[s] dh (0.5 (h + dh))^m[k].
double final_rise_distance(double final_rise, double h, int k, int s);
//    The rise at distance x: final_rise (x/xf)^(2/3) below xf, else final_rise.
double plume_rise(double final_rise, double x, double xf);
// 4. Terrain term tau[k] dz for a receptor above the source base, else 0.
double terrain_term(int k, double dz);
// 5. sigma_y of the point sources: 10^(a + b L^c) + x tan(sector width), at
//    least 10 m; L = log10(x/100) when x/100 >= 1, else 0.
double sigma_y_point(int k, double x, double tan_sector);
//    The curve 10^(a + b L^c) alone, L = log10(q) when q >= 1, else 0.
double sigma_y_curve(int k, double quotient);
//    The same from L, which does not depend on the class (taken once for
//    the five classes): L of the quotient, the curve of L, and sigma_y of
//    the point sources at x with L = L(x/100).
double sigma_y_log(double quotient);
double sigma_y_curve_of_log(int k, double L);
double sigma_y_point_of_log(int k, double x, double L, double tan_sector);
//    An upper bound of sigma_y_point that needs neither logarithm nor
//    power: 10^(a + b) max(1, x/100) + x tan(sector width), at least 10 m
//    (the curve's b and c are below 1). Far off the plume axis it rules a
//    source out before sigma_y itself is computed.
double sigma_y_point_bound(int k, double x, double tan_sector);
// 6. sigma_z = bz x^cz, at least minimum.
double sigma_z(int k, double x, double minimum);
// Virtual distances from initial spreads: xvy = 10^(q^(1/c) + 2) with
// q = (log10(sigma_y0) - a)/b (log10 taken as 0 below 1 m), xvy = 100 when
// q <= 0; xvz = (sigma_z0/bz)^(1/cz).
double virtual_distance_y(int k, double sigma_y0);
double virtual_distance_z(int k, double sigma_z0);

// 7. Vertical term of the gases with full ground reflection:
//    zr = min(dz, 0.8 H) above the base, else 0; t = |zr - H|/sigma;
//    2 exp(-t^2/2), 0 beyond the cut-off.
double vertical_term_gas(double dz, double H, double sigma);
//    Vertical term of the dust fractions: the centre starts at centre,
//    drops by v drop_distance/u per fraction (accumulating), becomes
//    reset_height when it falls below 0; the receptor height follows 0.8
//    of the centre down.
double vertical_term_dust(const PollutantModel& pm, double dz, double centre, double drop_distance, double u,
                          double reset_height, double sigma);

// 8. Removal factor D at distance x with wind u.
double removal_factor(const PollutantModel& pm, double x, double u);

// 9. NO2/NOx conversion factors at travel time t (s) for the NO2/NOx ratio r
//    of the emitted gas; F1 = 0.75, F2 = 0.95 from 10000 s on.
struct No2Factors {
    double F1 = 1, F2 = 1;
    double Fmax() const { return F1 > F2 ? F1 : F2; }
    double Fmean() const { return (F1 + F2) / 2; }
};
No2Factors no2_factors(double t, double r);
// The factors of a pollutant: the conversion for NO2, 1 and 1 otherwise.
inline No2Factors conversion_factors(const PollutantModel& pm, double t, double r) {
    return pm.no2 ? no2_factors(t, r) : No2Factors{};
}

// The error function as the roads and squares take it (a rational
// approximation of erfc; it is not exactly 0 at 0).
double erf_approx(double v);
// erf(e1) + erf(e2), a pair that bounds a finite source crosswind; a
// negative sum, which only the approximation produces, counts as 0.
double erf_pair(double e1, double e2);


// The formulas evaluated for every source and case are defined here, so
// that the passes can inline them.

inline double plume_rise(double final_rise, double x, double xf) {
    if (x < xf) return final_rise * std::pow(x / xf, 2.0 / 3.0);
    return final_rise;
}

inline double terrain_term(int k, double dz) { return dz > 0 ? kClass[k].tau * dz : 0.0; }

inline double sigma_y_log(double quotient) { return quotient >= 1 ? std::log10(quotient) : 0.0; }

inline double sigma_y_curve_of_log(int k, double L) {
    const ClassConstants& cc = kClass[k];
    return std::pow(10.0, cc.a + cc.b * std::pow(L, cc.c));
}

inline double sigma_y_curve(int k, double quotient) { return sigma_y_curve_of_log(k, sigma_y_log(quotient)); }

inline double sigma_y_point_of_log(int k, double x, double L, double tan_sector) {
    const double sy = sigma_y_curve_of_log(k, L) + x * tan_sector;
    return sy < 10.0 ? 10.0 : sy;
}

inline double sigma_y_point(int k, double x, double tan_sector) {
    return sigma_y_point_of_log(k, x, sigma_y_log(x / 100.0), tan_sector);
}

// 10^(a + b) per class.
inline const std::array<double, kStabilityClasses> kSigmaYCurveAtTen = [] {
    std::array<double, kStabilityClasses> b{};
    for (int c = 0; c < kStabilityClasses; ++c) b[c] = std::pow(10.0, kClass[c].a + kClass[c].b);
    return b;
}();

inline double sigma_y_point_bound(int k, double x, double tan_sector) {
    const double curve = kSigmaYCurveAtTen[k] * std::fmax(1.0, x / 100.0);
    return std::fmax(10.0, curve + x * tan_sector);
}

inline double sigma_z(int k, double x, double minimum) {
    const double sz = kClass[k].bz * std::pow(x, kClass[k].cz);
    return sz < minimum ? minimum : sz;
}

inline double vertical_term_gas(double dz, double H, double sigma) {
    double zr = 0;
    if (dz > 0) zr = dz < 0.8 * H ? dz : 0.8 * H;
    const double t = std::fabs(zr - H) / sigma;
    if (t > kGaussCutoff) return 0.0;
    return 2.0 * std::exp(-(t * t) / 2.0);
}

inline double vertical_term_dust(const PollutantModel& pm, double dz, double centre, double drop_distance, double u,
                                 double reset_height, double sigma) {
    double zr = dz > 0 ? dz : 0.0;
    double Hd = centre;
    double V = 0;
    for (int j = 0; j < pm.fraction_count; ++j) {
        Hd = Hd - pm.fractions[j].v * drop_distance / u;
        if (Hd < 0) Hd = reset_height;
        if (0.8 * Hd < zr) zr = 0.8 * Hd;
        const double t = std::fabs(zr - Hd) / sigma;
        if (t <= kGaussCutoff) V = V + 2.0 * pm.fractions[j].w * std::exp(-(t * t) / 2.0);
    }
    return V;
}

inline double removal_factor(const PollutantModel& pm, double x, double u) {
    switch (pm.removal) {
        case Removal::SO2: return std::exp(-4.81e-5 * x / u);
        case Removal::HalfLife: return std::exp(-0.693 * x / (u * 3600.0 * pm.half_life));
        case Removal::None: break;
    }
    return 1.0;
}

inline No2Factors no2_factors(double t, double r) {
    No2Factors f;
    if (!(t < 10000.0)) {
        f.F1 = 0.75;
        f.F2 = 0.95;
        return f;
    }
    constexpr double a0 = 8.61530983811292e-05, a2 = 0.000125641126713236, a4 = 1.4301615263084e-11;
    constexpr double b2 = 0.000256197971147294, b4 = 2.55424869623515e-11, b6 = -1.93997346941595e-21;
    constexpr double c0 = -0.0046668084332505, c1 = -0.0252493007030302, c2 = 0.000182107226128173,
                     c3 = -4.18748983702648e-07, c4 = 3.03127355966533e-10, c5 = 6.18255788866292e-14;
    constexpr double d1 = -0.00588816292436048, d2 = 0.000127093185032163, d3 = -4.51541066324107e-07,
                     d4 = 6.31889405927487e-10, d5 = 3.63666992785509e-14;
    constexpr double g0 = 1.06121019528031, g1 = 0.0221325458160538, g2 = 6.8475294143094e-05;
    // Powers by repeated multiplication, t^n = t^(n-1) t.
    const double t2 = t * t, t3 = t2 * t, t4 = t3 * t, t5 = t4 * t, t6 = t5 * t;
    const double A = std::sqrt((a0 + a2 * t2 + a4 * t4) / (1.0 + b2 * t2 + b4 * t4 + b6 * t6));
    const double B =
        (c0 + c1 * t + c2 * t2 + c3 * t3 + c4 * t4 + c5 * t5) / (1.0 + d1 * t + d2 * t2 + d3 * t3 + d4 * t4 + d5 * t5);
    const double Gt = 1.0 / (g0 + g1 * t + g2 * t2);
    f.F1 = r * Gt + A;
    f.F2 = r * Gt + 0.2 * B + A;
    return f;
}

inline double erf_approx(double v) {
    const double z = std::fabs(v);
    const double t = 1.0 / (1.0 + 0.5 * z);
    const double arg =
        -z * z - 1.26551223 +
        t * (1.00002368 +
             t * (0.37409196 +
                  t * (0.09678418 +
                       t * (-0.18628806 +
                            t * (0.27886807 +
                                 t * (-1.13520398 + t * (1.48851587 + t * (-0.82215223 + t * 0.17087277))))))));
    double erfc = arg < -115.129 ? 0.0 : t * std::exp(arg);
    if (v < 0) erfc = 2.0 - erfc;
    return 1.0 - erfc;
}

inline double erf_pair(double e1, double e2) {
    const double sum = erf_approx(e1) + erf_approx(e2);
    return sum < 0 ? 0.0 : sum;
}

}  // namespace zemo::plume
