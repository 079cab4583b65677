// The loop over the reference points of a run: every point of every table,
// read again from its table, computed (model/computation.h), given its
// statistics and its result rows, in input order.
//
// Per point, in this order:
//   1. the host's progress (points done, total) and its stop request; a
//      stop is the counted error 25 "Výpočet přerušen uživatelem!" and the
//      loop returns Stopped, so the result tables hold exactly the rows of
//      the points before it
//   2. the debug message, z += height above terrain
//   3. Conc computed, the point statistics, the point's result rows
//   4. the point observer (tests)
//
// Points are computed side by side (run/thread_count.h): the run's thread
// reads one point per thread (steps 1 and 2, keeping what the log gets),
// each thread computes its point's Conc and statistics in a matrix of its
// own (reading only its parameters: no worker writes the log or a file),
// and the run's thread writes the log lines and rows of the points in
// input order (steps 3 and 4). The log and every result file are therefore
// the same on any number of threads; one Conc exists per thread. A run
// takes fewer threads than asked for when the matrices of all of them
// would not fit in memory (input/capacity.h), and none when one would not.
#pragma once

#include <atomic>
#include <string_view>

#include "base/run_log.h"
#include "input/reference_points.h"
#include "input/run_inputs.h"
#include "model/concentration.h"
#include "output/result_files.h"

namespace zemo {

// The stages of a run in their order (run/run.h).
enum class Stage { Initialisation, ProjectFile, InputData, ResultPreparation, Computation, EndOfRun };

// What a host (the console, the desktop program, a test) sees of a run.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // Before and after each stage of the run's plan; completed is false
    // when a fatal message or a stop ended it (for the end of run: when the
    // run did not end "O.K.").
    virtual void stage_starting(Stage stage);
    virtual void stage_ended(Stage stage, bool completed);
    // Before each reference point: the points done so far, their total and
    // the point about to be computed.
    virtual void progress(int done, int total, const ReferencePoint& next);
    // Polled before each reference point, after progress.
    virtual bool stop_requested();
    // Every error and fatal message of the run as one line: the prefix, the
    // kind text and ": " with the detail (see RunLog::set_line_sink).
    virtual void message_line(std::string_view line);
};

// The console's: the progress line "Pocitam %i. bod z %i: %s (%.0f%% hotovo)...\r",
// and the stop that a signal requested (platform::handle_stop_signals).
class ConsoleProgress : public RunObserver {
public:
    explicit ConsoleProgress(const std::atomic<bool>* stop = nullptr) : stop_(stop) {}
    void progress(int done, int total, const ReferencePoint& next) override;
    bool stop_requested() override { return stop_ && stop_->load(); }

private:
    const std::atomic<bool>* stop_;
};

// Called after each point has been computed and its rows written (tests).
using PointObserver = void (*)(const ReferencePoint& point, const ConcMatrix& conc, void* context);

// The hooks of a run: its host's observer (the console's progress line
// when there is none) and a point observer with its context.
struct RunHooks {
    RunObserver* observer = nullptr;
    PointObserver point_observer = nullptr;
    void* point_context = nullptr;
};

enum class ComputationEnd {
    Complete,  // every point computed and written
    Stopped,   // the host's stop request, or the point reader ended it
};

// Runs the computation over every reference point of the project, writing
// each point's rows to the prepared result files. A fatal message ends it
// by throwing, as every stage.
ComputationEnd run_computation(const RunInputs& in, ResultFiles& files, InputContext& input, const RunHooks& hooks);

}  // namespace zemo
