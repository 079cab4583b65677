#include "model/plume_formulas.h"

#include <cmath>

namespace zemo::plume {

const Constants& constants() {
    static const Constants c = [] {
        Constants k{};
        k.pi = 2.0 * std::asin(1.0);
        k.two_pi = 2.0 * k.pi;
        k.sqrt_pi = std::sqrt(k.pi);
        k.sqrt2 = std::sqrt(2.0);
        k.four_sqrt2 = 4.0 * k.sqrt2;
        k.two_sqrt_2pi = 2.0 * std::sqrt(k.two_pi);
        k.deg_to_rad = k.pi / 180.0;
        return k;
    }();
    return c;
}

PollutantModel pollutant_model(const Pollutant& pollutant) {
    PollutantModel pm;
    pm.type = pollutant.type;
    switch (pollutant.type) {
        case kTypePM10:
            pm.dust = true;
            pm.fractions = kPM10Fractions;
            pm.fraction_count = 2;
            break;
        case kTypeTSP:
            pm.dust = true;
            pm.fractions = kTSPFractions;
            pm.fraction_count = 7;
            break;
        case kTypeSO2:
            pm.removal = Removal::SO2;
            break;
        case kTypeORG:
            pm.removal = Removal::HalfLife;
            pm.half_life = pollutant.half_life;
            break;
        case kTypeBZN:
            pm.removal = Removal::HalfLife;
            pm.half_life = 155.01;
            break;
        case kTypeNOX:
            pm.fN = kNoxFactor;
            pm.area_peak = true;
            break;
        case kTypeNO2:
            pm.fN = kNoxFactor;
            pm.no2 = true;
            pm.area_peak = true;
            break;
        case kTypeCO:
            pm.area_peak = true;
            break;
        default:
            break;
    }
    return pm;
}

double wind_speed(double class_speed, double h, int k) { return class_speed * std::pow(0.1 * h, kClass[k].m); }

double wind_turning(double h) { return (h - 10.0) * constants().pi / 4500.0; }

double final_rise_distance(double final_rise, double h, int k, int s) {
    return (20.0 / 3.0) * kKappa[s] * final_rise * std::pow(0.5 * (h + final_rise), kClass[k].m);
}

double plume_rise(double final_rise, double x, double xf) {
    if (x < xf) return final_rise * std::pow(x / xf, 2.0 / 3.0);
    return final_rise;
}

double terrain_term(int k, double dz) { return dz > 0 ? kClass[k].tau * dz : 0.0; }

double sigma_y_log(double quotient) { return quotient >= 1 ? std::log10(quotient) : 0.0; }

double sigma_y_curve_of_log(int k, double L) {
    const ClassConstants& cc = kClass[k];
    return std::pow(10.0, cc.a + cc.b * std::pow(L, cc.c));
}

double sigma_y_curve(int k, double quotient) { return sigma_y_curve_of_log(k, sigma_y_log(quotient)); }

double sigma_y_point_of_log(int k, double x, double L, double tan_sector) {
    const double sy = sigma_y_curve_of_log(k, L) + x * tan_sector;
    return sy < 10.0 ? 10.0 : sy;
}

double sigma_y_point(int k, double x, double tan_sector) {
    return sigma_y_point_of_log(k, x, sigma_y_log(x / 100.0), tan_sector);
}

double sigma_z(int k, double x, double minimum) {
    const double sz = kClass[k].bz * std::pow(x, kClass[k].cz);
    return sz < minimum ? minimum : sz;
}

double virtual_distance_y(int k, double sigma_y0) {
    const ClassConstants& cc = kClass[k];
    const double Ly = sigma_y0 >= 1 ? std::log10(sigma_y0) : 0.0;
    const double q = (Ly - cc.a) / cc.b;
    if (q > 0) return std::pow(10.0, std::pow(q, 1.0 / cc.c) + 2.0);
    return 100.0;
}

double virtual_distance_z(int k, double sigma_z0) {
    return std::pow(sigma_z0 / kClass[k].bz, 1.0 / kClass[k].cz);
}

double vertical_term_gas(double dz, double H, double sigma) {
    double zr = 0;
    if (dz > 0) zr = dz < 0.8 * H ? dz : 0.8 * H;
    const double t = std::fabs(zr - H) / sigma;
    if (t > kGaussCutoff) return 0.0;
    return 2.0 * std::exp(-(t * t) / 2.0);
}

double vertical_term_dust(const PollutantModel& pm, double dz, double centre, double drop_distance, double u,
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

double removal_factor(const PollutantModel& pm, double x, double u) {
    switch (pm.removal) {
        case Removal::SO2:
            return std::exp(-4.81e-5 * x / u);
        case Removal::HalfLife:
            return std::exp(-0.693 * x / (u * 3600.0 * pm.half_life));
        case Removal::None:
            break;
    }
    return 1.0;
}

No2Factors no2_factors(double t, double r) {
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
    const double B = (c0 + c1 * t + c2 * t2 + c3 * t3 + c4 * t4 + c5 * t5) /
                     (1.0 + d1 * t + d2 * t2 + d3 * t3 + d4 * t4 + d5 * t5);
    const double Gt = 1.0 / (g0 + g1 * t + g2 * t2);
    f.F1 = r * Gt + A;
    f.F2 = r * Gt + 0.2 * B + A;
    return f;
}

double erf_approx(double v) {
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

double erf_pair(double e1, double e2) {
    const double sum = erf_approx(e1) + erf_approx(e2);
    return sum < 0 ? 0.0 : sum;
}

}  // namespace zemo::plume
