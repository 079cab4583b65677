// The computation driver: for every reference point of every table, fill
// Conc through the point, line and area source passes, then hand it to the
// point statistics and the result rows.
#pragma once

#include "input/reference_points.h"
#include "model/concentration.h"

namespace zemo {

// Runs the computation over every reference point: 0, or -100.
int run_computation();

// Fills conc for one receptor (its z already includes the height above
// terrain). Reads only the loaded inputs; writes only conc.
void compute_point(const ReferencePoint& receptor, ConcMatrix& conc);

}  // namespace zemo
