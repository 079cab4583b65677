// One run of the model as an object, and the only place that knows the
// order of its stages:
//
//   initialisation -> project file -> input data -> result preparation
//        -> computation (at the chosen priority) -> end of run
//
// The run owns every record of the run (options, log, project, model
// settings, sources, wind roses, transfers, reference-point tables,
// result files, hooks) and hands each stage what it reads. Nothing of a
// run survives it, so a host (the console, the desktop program, the map
// tool, a test) can run again and again in one process, and each run gives
// the bytes a separate process would.
//
// Hosts differ only in the plan they hand execute and in their observer:
//   console     reads the project file; after a fatal stop the process
//               ends, so there is no end of run
//   desktop     has opened the log and handed its window's project over
//               (desktop/logic/desktop_run.h), so the initialisation holds
//               no log and the project-file stage only checks the run's
//               files; builds its message lines from the stage events
//   map tool    stops after the input data
//
// A fatal message inside a stage throws FatalStop (base/run_log.h); the
// run closes its result files as they stand and goes on as its plan says.
// A run is created, executed and destroyed on one thread.
//
// The result files are one transaction (run/result_transaction.h): the run
// locks its output directory after the project-file stage, writes every
// result file under a temporary name and puts the set in place, the log's
// copy last, only when it completes. A run that fails or is stopped leaves
// the previous results and their log copy as they were; its own log
// records why.
#pragma once

#include <functional>

#include "base/files.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "input/input_table.h"
#include "input/run_inputs.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"
#include "output/result_files.h"
#include "run/point_loop.h"
#include "run/result_transaction.h"

namespace zemo {

// What a host asks of a run.
struct RunPlan {
    // The host has opened the log and filled the project itself (the
    // desktop program): no held log, no project file, no "Výpočetní
    // adresář" line, the start time as the host took it.
    bool project_handed_over = false;
    // The last stage run before the end (the map tool: the input data);
    // a run that stops early has no end of run and leaves its log open
    // until the run object goes.
    Stage last_stage = Stage::Computation;
    // After a fatal stop: the end of run with its failure status (the log
    // closed without "O.K."), or nothing more (the console program, whose
    // process ends). A stop by the host always gets its end of run.
    bool end_after_failure = true;
};

class Run {
public:
    // observer: the host's progress, stop request, message lines and stage
    // events; none for the console, whose progress line is the default.
    explicit Run(RunObserver* observer = nullptr);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // The options to fill before execute (computation directory, project
    // file, log file, message level, priority, installation directory).
    RunOptions& options() { return options_; }
    RunLog& log() { return log_; }
    // The project: read by the project-file stage, or handed over by the
    // host before execute (RunPlan::project_handed_over).
    ProjectConfig& project() { return project_; }
    // What the input stage read (the map tool reads them after its run).
    const Sources& sources() const { return sources_; }
    const ReferencePointTables& reference_points() const { return points_; }
    const WindRoses& wind_roses() const { return roses_; }
    // The context every reader of this run works in.
    InputContext& input_context() { return input_; }
    // The hooks to set before execute (tests set a point observer).
    RunHooks& hooks() { return hooks_; }

    // The stages of the plan in their order. Returns 0 for a complete run
    // (or one that reached its last stage), else -100.
    int execute(const RunPlan& plan = {});
    // True once a stage of execute failed (a fatal message, a stop by the
    // host), as opposed to a run that ended but not "O.K.".
    bool stopped() const { return stopped_; }

    // The default log of this run, locked for the whole run: base.log in
    // directory, or base-2.log, base-3.log, ... while other running
    // computations hold those; where directory takes no file, the same in
    // the user's log directory (platform::user_log_directory). Empty when
    // neither can hold one. The console's initialisation takes it; the
    // desktop program, which opens its log itself, calls it first.
    std::string lock_default_log(const std::string& directory, const std::string& base);
    static constexpr int kMaxOwnLogNumber = 99;

private:
    RunInputs inputs() const;
    void initialisation(const RunPlan& plan);

    void project_file(const RunPlan& plan);
    void input_data();
    void result_preparation();
    void computation();
    int end_of_run(int status);
    // Locks the output directory for the result files; a directory another
    // run holds is fatal.
    void lock_output_directory();
    // The new result files onto their names; false (reported) when one
    // could not be put in place, everything then back as it was.
    bool put_results_in_place(const std::vector<CreatedResultFile>& created);
    // A run that did not complete: its files closed as they stand and
    // removed, the previous results untouched.
    void abandon_results();
    // After a fatal stop: the log still held in memory is created, or shown
    // on the console when its path is one of the run's inputs or results.
    void finish_held_log();
    // Runs one stage with its events: true when it completed.
    bool stage(Stage which, const std::function<void()>& body);

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
    InputContext input_{log_, partial_numbers_};
    ResultTransaction transaction_;
    platform::FileLock log_lock_;  // the default log, held for the whole run
    std::string own_log_path_;
    bool log_made_by_lock_ = false;
    RunObserver* observer_;
    bool stopped_ = false;
};

// Runs one step outside a run's stages (a reader in a test, the desktop's
// single-file test): 0, or -100 when a fatal message stopped it. An
// allocation that fails inside it (std::bad_alloc) is the fatal
// "nedostatek paměti" with "požadovanou paměť nelze přidělit" (type 32).
int run_stage(RunLog& log, const std::function<int()>& step);

}  // namespace zemo
