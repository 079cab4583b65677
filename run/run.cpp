#include "run/run.h"

#include "base/platform.h"
#include "run/run_sequence.h"

namespace zemo {

Run::Run(RunObserver* observer) : working_directory_(platform::current_directory()) {
    hooks_.observer = observer;
    if (observer) log_.set_line_sink([observer](std::string_view line) { observer->message_line(line); });
}

Run::~Run() {
    // Every file of the run is closed before its records go (also after a
    // fatal stop, which closed them already).
    close_all_files();
    platform::change_directory(working_directory_);
}

int Run::execute() {
    if (run_stage(stage_initialisation) != 0) {
        finish_held_log();
        return -100;
    }
    const auto fail = [] {
        finish_held_log();
        stage_end_of_run(-100);
        return -100;
    };
    if (run_stage(stage_project_file) != 0) return fail();
    if (run_stage(stage_input_data) != 0) return fail();
    if (run_stage(stage_result_preparation) != 0) return fail();
    if (run_stage(stage_computation) != 0) return fail();
    return stage_end_of_run(0);
}

}  // namespace zemo
