// What the readers made of a run's inputs, handed as one value to the
// stages that read them (the model, the statistics, the result files), so
// that each says in its signature what it reads. It refers to the run's
// records and owns nothing.
#pragma once

#include "base/run_options.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"

namespace zemo {

struct RunInputs {
    const RunOptions& options;
    const ProjectConfig& project;
    const ModelSettings& settings;
    const WindRoses& roses;
    const Sources& sources;
    const Transfers& transfers;
    const ReferencePointTables& points;
};

}  // namespace zemo
