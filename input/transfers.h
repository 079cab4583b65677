// Transfers and background concentrations: per pollutant a value for each
// sector of the computation and an overall value; 0 when neither is given.
#pragma once

#include <array>
#include <vector>

#include "input/input_table.h"

namespace zemo {

struct Transfers {
    std::vector<std::array<double, 48>> TransferSector;  // [pollutant][sector]
    std::vector<double> TransferTotal;                   // [pollutant]

    void reset() { *this = Transfers{}; }
};

Transfers& transfers();

// The checking pass (ReaderPass::Count), the storing pass (Fill) or the
// single-file test (Test). Every pass zeroes both arrays (one row per
// pollutant of the project, model_settings().directions sectors used) and
// evaluates the background list when it is given; the transfers table is
// read in every pass, and only the storing pass fills the arrays from it.
// Returns 0 or -100.
int read_transfers(ReaderPass pass);

// Resamples n sector values (equal sectors, sector k at k x 360/n degrees) to
// out_sectors values by linear interpolation around the circle.
void resample_sectors(const double* values, int n, int out_sectors, double* out);

}  // namespace zemo
