// The input stage of a run: every input table read and checked in the
// fixed order. Each reader depends on the ones before it: sources and
// reference points look their wind roses up, the transfers table follows
// the wind roses' sector count, the rotation is looked up at the centre of
// the reference points.
#pragma once

#include "base/run_options.h"
#include "input/input_table.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"

namespace zemo {

// What the input stage reads.
struct InputData {
    WindRoses roses;
    Sources sources;
    Transfers transfers;
    ReferencePointTables points;
};

// Wind roses, sources, the zero-emission check, transfers or background,
// reference points, grid rotation (stored in project unless the project
// gives one). A fault is a fatal message.
InputData load_input_data(ProjectConfig& project, const ModelSettings& settings, const RunOptions& options,
                          InputContext& in);

}  // namespace zemo
