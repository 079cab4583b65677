// The computation of one reference point: the model prepared once per run
// from the loaded inputs, then, per receptor, Conc filled through the
// point, line and area source passes (the loop over the points is the run
// layer's, run/point_loop.h).
//
// Per point, in this order:
//   1. Conc cleared
//   2. pass A, the remote point sources: for d, for s
//   3. the class-dependent pass: for k, for d, for s: point sources of the
//      other classes, then every line source, then every area source
//
// Every value of Conc is written by exactly one source in exactly one case,
// so the result of a point does not depend on how the work is ordered.
#pragma once

#include "input/reference_points.h"
#include "model/area_sources.h"
#include "model/concentration.h"
#include "model/line_sources.h"
#include "model/point_sources.h"
#include "model/run_setup.h"

namespace zemo {

// Everything the passes need that does not depend on the receptor,
// prepared once per run from the loaded inputs. Read-only afterwards.
struct PreparedModel {
    RunSetup run;
    PreparedPoints points;
    PreparedLines lines;
    PreparedAreas areas;
};

PreparedModel prepare_model(const ModelSettings& settings, const ProjectConfig& project, const Sources& src,
                            const WindRoses& roses);

// Per-run scratch of one point (sized once, reused for every point).
struct PointWorkspace {
    LineReceptors line_receptors;
};
PointWorkspace make_workspace(const PreparedModel& model);

// Clears conc (allocated for the model's pollutants and sources) and fills
// it for one receptor, whose z is the elevation of the receptor itself.
// Reads only the prepared model; writes only conc and the workspace.
void compute_point(const PreparedModel& model, const Receptor& receptor, ConcMatrix& conc, PointWorkspace& work);

}  // namespace zemo
