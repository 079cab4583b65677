// Transfers and background concentrations: per pollutant a value for each
// sector of the computation and an overall value; 0 when neither is given.
#pragma once

#include <array>
#include <vector>

#include "input/input_table.h"

namespace zemo {

struct ProjectConfig;
struct ModelSettings;
struct WindRoses;

struct Transfers {
    std::vector<std::array<double, 48>> TransferSector;  // [pollutant][sector]
    std::vector<double> TransferTotal;                   // [pollutant]

    void reset() { *this = Transfers{}; }
};


// The run's reader: the checking pass, then the storing pass. Both arrays
// hold one row per pollutant of the project, settings.directions sectors
// used; the transfers table has the wind roses' sector count
// (roses.sectors_in_file). A fault is a fatal message (FatalStop).
Transfers read_transfers(const ProjectConfig& project, const ModelSettings& settings, const WindRoses& roses,
                         InputContext& in);

// One pass: the checking pass alone (ReaderPass::Count), the storing pass
// after it (Fill: the same as above) or the single-file test (Test; with
// roses not loaded the table's own field count gives its sectors). Every
// pass zeroes both arrays and evaluates the background list when it is
// given; the transfers table is read in every pass, and only the storing
// pass fills the arrays from it. With in.quiet_open_failure a table that
// cannot be opened ends the stage without a message (FatalStop).
Transfers read_transfers(ReaderPass pass, const ProjectConfig& project, const ModelSettings& settings,
                         const WindRoses& roses, InputContext& in);

// Resamples n sector values (equal sectors, sector k at k x 360/n degrees) to
// out_sectors values by linear interpolation around the circle.
void resample_sectors(const double* values, int n, int out_sectors, double* out);

}  // namespace zemo
