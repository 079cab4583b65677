// The files of a run and the check that keeps a run from destroying them.
//
// A run reads its inputs (the project file, the model settings, the
// receptor, source, transfer and wind-rose tables, the rotation grid) and
// writes its log, the log's copy and its result files. Before anything is
// written, every written file is compared with every other file of the run
// by identity (platform::file_key): a written file that is also an input,
// the log, the log's copy or another result file would be truncated or
// interleaved, so the run is refused and nothing is created.
//
// Re-running a project over its own earlier results is normal: those files
// are no inputs of the run.
#pragma once

#include <string>
#include <vector>

#include "base/run_log.h"
#include "base/run_options.h"
#include "input/project_file.h"

namespace zemo {

struct RunFileUse {
    enum class Role { Input, Log, LogCopy, Result };
    std::string path;
    std::string use;  // what the file is for, as messages name it
    Role role;
};

// The files of the run as far as they are known: the project file and the
// model settings always, the tables and the log's copy once the project
// has been read (from ProjectConfig, however far it got), the result files
// with with_results. Inputs first, then the log, its copy and the results.
std::vector<RunFileUse> run_file_uses(const RunOptions& options, const ProjectConfig& project, const RunLog& log,
                                      bool with_results);

// Refuses the run (fatal 31, naming the file and both uses) when a file the
// run writes is the same file as an input, the log, the log's copy or
// another result file. Called after the project has been read and before
// the log or any result file is created.
void check_run_files(const RunOptions& options, const ProjectConfig& project, RunLog& log);

// Refuses the run (fatal 33, naming the item) when the file-name part of a
// result base name, or the last part of the output directory, is a name
// Windows cannot hold (platform::portable_file_name): the same project
// must run on every platform.
void check_portable_result_names(const ProjectConfig& project, RunLog& log);

// For a fatal stop while the log is still held: true when the log may be
// created, false when its path is one of the run's inputs or results (its
// lines then go to the console). A copy aimed at the log is refused, the
// log itself is still written.
bool held_log_may_be_created(const RunOptions& options, const ProjectConfig& project, const RunLog& log);

}  // namespace zemo
