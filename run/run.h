// One run of the model as an object: it owns every record of the run
// (options, log, open files, project, model settings, sources, wind roses,
// transfers, reference-point tables, result files, hooks) and binds them as
// the current records of its thread for its lifetime (base/run_record.h).
// Nothing of a run survives it: its records die with it, and the process's
// working directory, which the run changes to its computation directory, is
// restored when it ends, also after a fatal stop. So a host (the desktop
// program, a test) can run again and again in one process, and each run
// gives the bytes a separate process would.
//
// A run is created, executed and destroyed on one thread.
#pragma once

#include "base/files.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "base/run_record.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"
#include "output/result_files.h"
#include "run/point_loop.h"

namespace zemo {

class Run {
public:
    // observer: the host's progress, stop request and message lines; none
    // for the console, whose progress line is the default.
    explicit Run(RunObserver* observer = nullptr);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // The options to fill before execute (computation directory, project
    // file, log file, message level, priority, installation directory).
    RunOptions& options() { return options_; }
    // The hooks to set before execute (tests set a point observer).
    RunHooks& hooks() { return hooks_; }

    // Every stage from the initialisation to the end of run, as a host runs
    // them: a stage that fails (a fatal message, a stop) ends the run with
    // the end of run's failure status, so the result tables are completed
    // and closed with the rows written so far and the log is closed without
    // "O.K.". Returns 0 for a complete run, else -100.
    int execute();

private:
    // The registry of open files comes first: the files of the later
    // records unregister from it when they close at the run's end.
    OpenFiles files_;
    RunOptions options_;
    RunLog log_;
    ProjectConfig project_;
    ModelSettings settings_;
    Sources sources_;
    WindRoses roses_;
    Transfers transfers_;
    ReferencePointTables points_;
    PartialNumbers partial_numbers_;
    ResultFiles results_;
    RunHooks hooks_;

    RunRecord<OpenFiles>::Binding files_binding_{files_};
    RunRecord<RunOptions>::Binding options_binding_{options_};
    RunRecord<RunLog>::Binding log_binding_{log_};
    RunRecord<ProjectConfig>::Binding project_binding_{project_};
    RunRecord<ModelSettings>::Binding settings_binding_{settings_};
    RunRecord<Sources>::Binding sources_binding_{sources_};
    RunRecord<WindRoses>::Binding roses_binding_{roses_};
    RunRecord<Transfers>::Binding transfers_binding_{transfers_};
    RunRecord<ReferencePointTables>::Binding points_binding_{points_};
    RunRecord<PartialNumbers>::Binding partial_numbers_binding_{partial_numbers_};
    RunRecord<ResultFiles>::Binding results_binding_{results_};
    RunRecord<RunHooks>::Binding hooks_binding_{hooks_};

    std::string working_directory_;  // restored at the end
};

}  // namespace zemo
