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
// single-file test (Test). Returns 0 or -100.
int read_transfers(ReaderPass pass);

}  // namespace zemo
