// The plume-rise set-up that the class-dependent stacks (pass B) and the
// squares share: per stability class and speed class the wind at the
// release height (the 10 m wind up to 10 m, the profile above), the final
// rise and the distance xf at which it is reached; per direction the wind
// angle at the release height (turned above 10 m). Taken once per run and
// source, so that no receptor pays for the powers and the sines.
#pragma once

#include <cstddef>
#include <vector>

#include "model/run_setup.h"

namespace zemo {

// The final rise of a source with heat term q in the wind u of class k:
// the stacks and the squares differ only where there is no heat or no wind.
using FinalRise = double (*)(double q, double u, int k);

struct PlumeRise {
    // [class_speed_index(i, k, s)]: wind at the release height, final rise, xf
    std::vector<double> u, rise, xf;
    // [direction_index(d, n, i)] for n sources: the wind angle at the release height
    std::vector<double> sin_phi, cos_phi;

    // Room for n sources, every value 0.
    void allocate(std::size_t n);
    // Source i of n, released at height h with heat term q.
    void set(const RunSetup& run, std::size_t i, std::size_t n, double h, double q, FinalRise final_rise);
};

}  // namespace zemo
