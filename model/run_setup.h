// What the source passes of one run share: the wind directions and their
// angles, the model settings in force, the pollutants' model behaviour and
// the loaded inputs. Prepared once per run, read-only while the points are
// computed.
//
// Direction d is the direction the wind blows from, d * dtheta degrees
// clockwise from the grid's north, corrected by the grid rotation theta_r:
// phi = (d * dtheta - theta_r) * (pi/180). For a receptor at (xr, yr) and a
// source point at (xq, yq), with dX = xr - xq and dY = yr - yq:
//     downwind  x = -dX sin(phi) - dY cos(phi)
//     crosswind y =  dX cos(phi) - dY sin(phi)
#pragma once

#include <vector>

#include "input/case_layout.h"
#include "input/sources.h"
#include "input/wind_roses.h"
#include "input/model_settings.h"
#include "model/plume_formulas.h"

namespace zemo {

struct Receptor {
    double x = 0, y = 0;
    double z = 0;  // elevation of the receptor itself (terrain + height)
};

struct RunSetup {
    int directions = 0;
    double dtheta = 0;      // sector width, degrees
    double tan_sector = 0;  // tan(dtheta * pi/180)
    double theta_r = 0;     // grid rotation, degrees
    double class_speed[kSpeedClasses] = {0, 0, 0};
    double building_character[2] = {0, 0};
    double emission_peak_ratio[2] = {0, 0};
    double phi[kMaxSectors] = {};
    double sin_phi[kMaxSectors] = {};
    double cos_phi[kMaxSectors] = {};
    int P = 0;
    std::vector<plume::PollutantModel> pollutants;
    const Sources* src = nullptr;
    const WindRoses* roses = nullptr;

    // Frequency (percent) of the case slot in rose r.
    double frequency(int rose, int slot) const { return roses->Wnd_frequency[rose][slot]; }
    // Whether class k and direction d occur in rose r at some wind speed
    // (frequency at least kMinFrequency); a source is not looked at
    // otherwise.
    bool occurs(int rose, int k, int d) const {
        for (int s = 0; s < kSpeedClasses; ++s)
            if (frequency(rose, case_slot(k, s, d)) >= plume::kMinFrequency) return true;
        return false;
    }
};

// The wind angle of direction d, radians.
double wind_angle(int d, double dtheta, double theta_r);

// Prepares the run's shared values from the settings, the project (its
// pollutants and rotation; a rotation that was never given counts as 0),
// the sources and the wind roses.
RunSetup prepare_run_setup(const ModelSettings& settings, const ProjectConfig& project, const Sources& src,
                           const WindRoses& roses);

// The source-relative frame.
inline double downwind(double dX, double dY, double sin_phi, double cos_phi) { return -dX * sin_phi - dY * cos_phi; }
inline double crosswind(double dX, double dY, double sin_phi, double cos_phi) { return dX * cos_phi - dY * sin_phi; }

}  // namespace zemo
