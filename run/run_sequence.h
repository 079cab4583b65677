// The stages of one computation, in their fixed order. Each works on the
// process-wide tables; a fatal message inside a stage throws FatalStop
// after every open file has been closed (see run_log.h), and run_stage
// turns that into the status -100 for callers that go on (the desktop
// program); the console program ends the process with -100.
//
//   initialisation -> project file -> input data -> result preparation
//        -> computation (at the chosen priority) -> end of run
#pragma once

#include <functional>

namespace zemo {

// Working directory, run log (held in memory), start time, log banner,
// model settings.
int stage_initialisation();
// Reads the project file into ProjectConfig, refuses a run whose files
// would destroy one another, and only then creates the held log.
int stage_project_file();
// After a fatal stop: creates the log still held in memory, or shows it on
// the console when its path is one of the run's inputs or results.
void finish_held_log();
// Loads every input table in its fixed order.
int stage_input_data();
// Creates every result file with its header.
int stage_result_preparation();
// Runs the computation at the priority of RunOptions.
int stage_computation();
// Ends the run: tables released, result files completed, end texts and
// total time, log closed and copied. status is 0 or -100.
int stage_end_of_run(int status);

// Runs one stage: its result, or -100 when a fatal message stopped it. An
// allocation that fails inside the stage (std::bad_alloc) is the fatal
// "nedostatek paměti" with "požadovanou paměť nelze přidělit" (type 32).
int run_stage(const std::function<int()>& stage);

// Releases every process-wide table of a run (sources, roses, transfers,
// points, results), so that another run can follow in the same process.
void release_run_tables();

// Back to a fresh process: the log, the options, the project, the model
// settings and every table of a run. For hosts that drive single stages or
// readers (the tests, the fuzz targets) rather than whole Run objects.
void reset_run_records();

// The console program: exit code 0, 3 or -100.
int run_console(int argc, char** argv);

}  // namespace zemo
