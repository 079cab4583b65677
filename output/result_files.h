// The result files of a run: created with their headers before the
// computation, one set of rows per reference point, DBF tables completed
// at the end of the run.
#pragma once

#include "input/reference_points.h"
#include "model/concentration.h"
#include "output/point_statistics.h"

namespace zemo {

// Creates every file of the project's result set with its header: 0 or -100.
int prepare_result_files();
// Writes the rows of one point (and its detailed report blocks).
void write_point_results(const ReferencePoint& point, const ConcMatrix& conc, const PointStatistics& stats);
// Completes every DBF table (end mark, record count).
void complete_result_files();
// Closes every result file; reports a counted error naming each file whose
// writing failed. Returns false when any output was lost.
bool close_result_files();
// Releases the result files' state (between runs).
void reset_result_files();

}  // namespace zemo
