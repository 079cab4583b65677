// Point sources (stacks): a Gaussian plume with ground reflection, plume
// rise growing with distance, partial terrain following, dust settling,
// removal and NO2 conversion.
//
// Pass A, remote sources (class 0): one computation with the class-IV
// constants (sigma_z at least 10 m, wind profile at every height, no
// turning) stands for all five classes; the value goes into the five class
// slots of the case.
// Pass B, the other point sources: per stability class, with the wind at
// 10 m and no turning up to 10 m height, profile and turning above.
//
// Conc index of point source j: j.
#pragma once

#include <vector>

#include "model/concentration.h"
#include "model/plume_rise.h"
#include "model/run_setup.h"

namespace zemo {

// Per-run values of the point sources, which do not depend on the receptor.
struct PreparedPoints {
    std::vector<int> remote;    // source indices of pass A
    std::vector<int> classed;   // source indices of pass B
    std::vector<int> position;  // per source j, its index in remote or classed
    // pass A, [speed_index(i, s)] for remote[i]: wind at the source, final rise, xf
    std::vector<double> a_u, a_rise, a_xf;
    // pass B, for classed[i] of n = classed.size()
    PlumeRise b;
    // emission per pollutant, [p][j], with the factor of NOX and NO2
    std::vector<std::vector<double>> emission;
};

PreparedPoints prepare_point_sources(const RunSetup& run);

// Point source j in every direction: pass A for a remote source (the five
// class slots and the annual slot of each direction and speed class), pass
// B for the others (slot(k, s, d) of every class, direction and speed
// class, and for class IV the annual slot). The distances are taken once
// per direction, sigma_y, sigma_z and the crosswind term once per class
// for the three speed classes.
void point_source(const RunSetup& run, const PreparedPoints& pts, const Receptor& rec, int j, ConcMatrix& conc);

}  // namespace zemo
