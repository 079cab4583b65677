// Running the model from the desktop program, without any windowing
// toolkit: the run preparation over the main window's ProjectForm and the
// preferences, the run itself (the steps of the "Výpoč&et" button) over a
// zemo::Run, the single-file tests of the main window (CheckData) and the
// log the window shows afterwards.
//
// The window is seen through RunWindow: its message area (fM_Msg_Mem), the
// progress bar, the button states, its two message boxes and the question
// about the fallback log. Tests implement it with plain members.
//
// Log state of a session (it outlives every run):
//
//   NoRunYet --log opened--> InProgress --log closed--> Available
//                                ^                          | copy made
//                                +-- next run --- CopyAvailable
//
// At message level 0 the log is opened only by an error, so a run without
// errors leaves the state as it was.
//
// A run may happen on the window thread, where the window stays responsive
// because every error line and every reference point call process_events()
// (where the "Zastavit" button sets RunSession::stop), or on a worker thread
// whose RunWindow hands every call over to the window thread (wzemo does
// this). Then the project must not change while the run lasts
// (main_commands, main_form.h).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "desktop/logic/preferences.h"
#include "desktop/logic/project_form.h"
#include "run/run.h"

namespace zemo::desktop {

// What a run and a file test see of the main window.
class RunWindow {
public:
    virtual ~RunWindow() = default;
    virtual void clear_messages() = 0;
    // One line of the message area (Windows-1250, without a line end).
    virtual void append_message(std::string_view line) = 0;
    virtual void set_progress(int percent) = 0;
    // running: "Výpoč&et" and "&Konec" disabled, "Zastavit" enabled; and
    // back when false.
    virtual void set_running(bool running) = 0;
    // Lets the window repaint and take a press of "Zastavit".
    virtual void process_events() {}
    // A Yes/No question with the question icon; true for Yes.
    virtual bool ask_yes_no(const std::string& text) = 0;
    // A message box with the stop icon.
    virtual void show_stop(const std::string& text) = 0;
    // The alert sound after a successful run (preference Audio).
    virtual void play_alert() {}
    // Ends the program after a successful run (preference Close).
    virtual void end_program() {}
};

enum class LogState { NoRunYet, InProgress, Available, CopyAvailable };

// What the desktop program keeps between runs.
struct RunSession {
    LogState log_state = LogState::NoRunYet;
    std::string log_path;       // where the last run's log was opened
    std::string copy_path;      // its copy in the output directory
    bool own_log_file = false;  // the preference LogFile names the log
    // Set by "Zastavit", cleared before the computation. Atomic because the
    // window may run the model on a worker thread and set it from its own.
    std::atomic<bool> stop{false};
    // Set when the window closes during a run: stops the run at the next
    // point or stage, whatever happened to "Zastavit" before.
    std::atomic<bool> closing{false};
};

// The places a run needs besides the form and the preferences (whose
// root_dir is the installation directory).
struct RunPlaces {
    std::string project_directory;  // made current for the run
    std::string temp_directory;     // holds the fallback log "mZemo.log"
};

// Results of prepare_run besides 0 (ready) and -100 (inputs incomplete).
inline constexpr int kPrepareNoLog = -1;

// Run preparation over the records of run (which must be alive): the
// message level, the log location, the log opened (with the question
// about the fallback log when it cannot be), every check of the inputs
// (each failed one appends its line) and the hand-over of the form to the
// run's ProjectConfig and RunOptions. Returns 0, -100 or kPrepareNoLog.
// The log is left open and quiet.
int prepare_run(const ProjectForm& form, const Preferences& prefs, const RunPlaces& places, RunWindow& window,
                RunSession& session, Run& run);

// The form as ScreenToCfg delivers it: false when the window refused it.
using ScreenToCfg = std::function<bool(ProjectForm&)>;

// The "Výpoč&et" button: steps 1 to 12 of a desktop run. Returns 0 for a
// complete run, -100 otherwise (the message area tells which).
int run_model(const ScreenToCfg& screen_to_cfg, const Preferences& prefs, const RunPlaces& places, RunWindow& window,
              RunSession& session);

// The file tests of the main window.
enum class CheckedFile {
    Points1,
    Points2,
    Points3,
    PointSources,
    LineSources,
    AreaSources,
    Transfers,
    WindRoses,
};

// Tests one input file of the form with the model's reader in its test
// mode, quietly; the heading, the file's date, the count and the end line
// go to the message area, a failure to a stop box. True when the file
// passed.
bool check_data(const ScreenToCfg& screen_to_cfg, CheckedFile kind, const RunPlaces& places, RunWindow& window);

// "&Zobrazit LOG souor": either a message for the user (message set) or
// the path the text editor is started with.
struct LogToShow {
    std::string message;
    std::string path;
};
LogToShow log_to_show(const RunSession& session);

}  // namespace zemo::desktop
