// The records of one run as plain values, for the tests that drive a
// reader, the input stage, the output or the point loop without a Run:
// what the run object would own and hand on.
#pragma once

#include "base/run_log.h"
#include "base/run_options.h"
#include "input/input_table.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/run_inputs.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"

namespace zemo::test {

struct RunRecords {
    RunLog log;
    PartialNumbers notes;
    InputContext input{log, notes};
    RunOptions options;
    ProjectConfig project;
    ModelSettings settings;
    WindRoses roses;
    Sources sources;
    Transfers transfers;
    ReferencePointTables points;
    RunInputs in{options, project, settings, roses, sources, transfers, points};
};

}  // namespace zemo::test
