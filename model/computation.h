// The computation of one reference point: the model prepared once per run
// from the loaded inputs, then, per receptor, Conc filled through the
// point, line and area source passes (the loop over the points is the run
// layer's, run/point_loop.h).
//
// Per point, in this order:
//   1. the roads and squares in reach of the receptor looked up; Conc
//      gets a column for every point source and for each of them, and
//      these columns are cleared
//   2. pass A, the remote point sources, per direction
//   3. per direction the point sources of the other classes, the roads and
//      the squares; each source takes its distances once per direction and
//      its dispersion once per class, then fills the three speed classes
//
// Every value of Conc is written by exactly one source in exactly one case,
// so the result of a point does not depend on how the work is ordered. A
// source left out (out of reach, upwind, beyond the crosswind cut-off)
// is one whose every value would have been an exact 0.
#pragma once

#include <array>

#include "input/reference_points.h"
#include "model/area_sources.h"
#include "model/concentration.h"
#include "model/line_sources.h"
#include "model/point_sources.h"
#include "model/run_setup.h"
#include "model/source_reach.h"

namespace zemo {

// Everything the passes need that does not depend on the receptor,
// prepared once per run from the loaded inputs. Read-only afterwards.
struct PreparedModel {
    RunSetup run;
    PreparedPoints points;
    PreparedLines lines;
    PreparedAreas areas;
    // The reach of the roads and of the squares.
    ReachIndex line_reach, area_reach;
    // Off: every road and square is computed for every receptor (the
    // index must not change a result; tests compare both ways).
    bool use_reach_index = true;
};

PreparedModel prepare_model(const ModelSettings& settings, const ProjectConfig& project, const Sources& src,
                            const WindRoses& roses);

// The most columns a point can need: every point source and the roads and
// squares of the fullest cells of the reach indexes. A matrix of this many
// columns holds any point.
int most_columns(const PreparedModel& model);
// The same by kind: the point sources, the roads and the squares.
std::array<int, 3> most_columns_by_kind(const PreparedModel& model);

// Per-run scratch of one point (sized once, reused for every point).
struct PointWorkspace {
    LineReceptors line_receptors;
    std::vector<int> lines_in_reach, areas_in_reach;
    std::vector<int> columns;  // the sources with a column in Conc
};
PointWorkspace make_workspace(const PreparedModel& model);

// Gives conc (allocated for the model's pollutants and sources) the
// columns of the sources in reach, clears them and fills them for one
// receptor, whose z is the elevation of the receptor itself.
// Reads only the prepared model; writes only conc and the workspace.
void compute_point(const PreparedModel& model, const Receptor& receptor, ConcMatrix& conc, PointWorkspace& work);

}  // namespace zemo
