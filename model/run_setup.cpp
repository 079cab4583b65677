#include "model/run_setup.h"

#include <cmath>

namespace zemo {

double wind_angle(int d, double dtheta, double theta_r) {
    return (d * dtheta - theta_r) * plume::constants().deg_to_rad;
}

RunSetup prepare_run_setup(const ModelSettings& settings, const ProjectConfig& project, const Sources& src,
                           const WindRoses& roses) {
    RunSetup r;
    r.directions = settings.directions;
    if (r.directions < 0) r.directions = 0;
    if (r.directions > kMaxSectors) r.directions = kMaxSectors;
    r.dtheta = settings.directions > 0 ? 360.0 / settings.directions : 0.0;
    r.tan_sector = std::tan(r.dtheta * plume::constants().deg_to_rad);
    // -9999 marks a rotation that was never given: no rotation then.
    r.theta_r = project.rotation > kNotGiven + 1 ? project.rotation : 0.0;
    for (int s = 0; s < kSpeedClasses; ++s) r.class_speed[s] = settings.classSpeed[s];
    for (int i = 0; i < 2; ++i) {
        r.building_character[i] = settings.buildingCharacter[i];
        r.emission_peak_ratio[i] = settings.emissionPeakRatio[i];
    }
    for (int d = 0; d < r.directions; ++d) {
        r.phi[d] = wind_angle(d, r.dtheta, r.theta_r);
        r.sin_phi[d] = std::sin(r.phi[d]);
        r.cos_phi[d] = std::cos(r.phi[d]);
    }
    // The project holds at most kMaxPollutants pollutants (the project
    // reader refuses more); the source passes size their sums by it.
    r.P = static_cast<int>(project.pollutants.size());
    if (r.P > kMaxPollutants) r.P = kMaxPollutants;
    r.pollutants.reserve(r.P);
    for (int p = 0; p < r.P; ++p) r.pollutants.push_back(plume::pollutant_model(project.pollutants[p]));
    r.src = &src;
    r.roses = &roses;
    return r;
}

}  // namespace zemo
