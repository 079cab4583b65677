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
        case kTypeSO2: pm.removal = Removal::SO2; break;
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
        case kTypeCO: pm.area_peak = true; break;
        default: break;
    }
    return pm;
}

double wind_speed(double class_speed, double h, int k) { return class_speed * std::pow(0.1 * h, kClass[k].m); }

double wind_turning(double h) { return (h - 10.0) * constants().pi / 4500.0; }

double final_rise_distance(double final_rise, double h, int k, int s) {
    return (20.0 / 3.0) * kKappa[s] * final_rise * std::pow(0.5 * (h + final_rise), kClass[k].m);
}

double virtual_distance_y(int k, double sigma_y0) {
    const ClassConstants& cc = kClass[k];
    const double Ly = sigma_y0 >= 1 ? std::log10(sigma_y0) : 0.0;
    const double q = (Ly - cc.a) / cc.b;
    if (q > 0) return std::pow(10.0, std::pow(q, 1.0 / cc.c) + 2.0);
    return 100.0;
}

double virtual_distance_z(int k, double sigma_z0) { return std::pow(sigma_z0 / kClass[k].bz, 1.0 / kClass[k].cz); }

}  // namespace zemo::plume
