// Area sources: squares with the emission spread evenly over them, an
// optional heat output and a release height. Far from the square (x at
// least S/2 + R downwind of the centre, R = S/sqrt(pi) the radius of the
// circle of equal area) the square is one source with initial spreads and
// virtual distances; nearer it is cut into 4 x 4 sub-squares (x <= R + 1)
// or 3 x 3 sub-squares, whose contributions are summed.
//
// A square's column in Conc is given by the caller (squares out of reach
// of the receptor have none).
#pragma once

#include <vector>

#include "model/concentration.h"
#include "model/plume_rise.h"
#include "model/run_setup.h"

namespace zemo {

// One division of the near field.
struct NearDivision {
    int n = 0;                         // 4 or 3 sub-squares per side
    double side = 0;                   // sub-square side
    double offsets[4] = {0, 0, 0, 0};  // centre offsets, in the order used
    double e = 0;                      // spacing value
    double rs = 0;                     // sub-square radius side/sqrt(pi)
    double dmin = 0;                   // min(1.41 e, rs + 1)
};
NearDivision near_division(double S, bool four);

// Per-run values of the area sources, which do not depend on the receptor.
struct PreparedAreas {
    int NA = 0;
    // wind, final rise and xf per class and speed class, wind angle per direction (n = NA)
    PlumeRise plume;
    std::vector<double> R, sigma_y0;
    // per class, [class_index(i, k)]: sigma_z0, far-field xvy, xvz, near-field xvy (4 x 4, 3 x 3)
    std::vector<double> sigma_z0, xvy, xvz, xvy4, xvy3;
    std::vector<NearDivision> div4, div3;
    // emission density per pollutant, [p][i], micrograms/(s m2)
    std::vector<std::vector<double>> density;
};

PreparedAreas prepare_area_sources(const RunSetup& run);

// Emission density Ed of pollutant p of square i.
double emission_density(const RunSetup& run, int i, int p);

// Square i, whose column in Conc is `column`, in every direction:
// slot(k, s, d) of every class and speed class, and for class IV the
// annual slot. The distances are taken once per direction, sigma_y,
// sigma_z and the crosswind integrals once per class.
void area_source(const RunSetup& run, const PreparedAreas& areas, const Receptor& rec, int i, int column,
                 ConcMatrix& conc);

}  // namespace zemo
