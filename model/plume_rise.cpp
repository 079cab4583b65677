#include "model/plume_rise.h"

#include <cmath>

namespace zemo {

using namespace plume;

void PlumeRise::allocate(std::size_t n) {
    u.resize(n * kClassSpeedCases);
    rise.resize(n * kClassSpeedCases);
    xf.resize(n * kClassSpeedCases);
    sin_phi.resize(n * kMaxSectors);
    cos_phi.resize(n * kMaxSectors);
}

void PlumeRise::set(const RunSetup& run, std::size_t i, std::size_t n, double h, double q, FinalRise final_rise) {
    for (int k = 0; k < kStabilityClasses; ++k) {
        for (int s = 0; s < kSpeedClasses; ++s) {
            const double wind = h <= 10 ? run.class_speed[s] : wind_speed(run.class_speed[s], h, k);
            const double dh = final_rise(q, wind, k);
            const std::size_t at = class_speed_index(i, k, s);
            u[at] = wind;
            rise[at] = dh;
            xf[at] = final_rise_distance(dh, h, k, s);
        }
    }
    for (int d = 0; d < run.directions; ++d) {
        if (h <= 10) {
            sin_phi[direction_index(d, n, i)] = run.sin_phi[d];
            cos_phi[direction_index(d, n, i)] = run.cos_phi[d];
        } else {
            const double phi = run.phi[d] + wind_turning(h);
            sin_phi[direction_index(d, n, i)] = std::sin(phi);
            cos_phi[direction_index(d, n, i)] = std::cos(phi);
        }
    }
}

}  // namespace zemo
