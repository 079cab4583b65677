// The computation driver: for every reference point of every table, fill
// Conc through the point, line and area source passes, then hand it to the
// point statistics and the result rows. Only one point's Conc exists at a
// time.
//
// Per point, in this order:
//   1. progress line on the console, debug message, z += height above terrain
//   2. Conc cleared
//   3. pass A, the remote point sources: for d, for s
//   4. the class-dependent pass: for k, for d, for s: point sources of the
//      other classes, then every line source, then every area source
//   5. point statistics, then the point's result rows
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

// Runs the computation over every reference point of the project: 0, or
// -100 when the point reader stopped the run.
int run_computation();

// Called after each point has been computed and handed to the results
// (tests, the desktop program's progress); none by default.
using PointObserver = void (*)(const ReferencePoint& point, const ConcMatrix& conc, void* context);
void set_point_observer(PointObserver observer, void* context);

}  // namespace zemo
