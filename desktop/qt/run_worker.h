// The model run of the main window on a worker thread. The run sees the
// window through a RunWindow whose every call is handed over, in order, to
// the window's own RunWindow on the window thread: lines and progress are
// queued, the two message boxes wait for the user's answer. The run works on its own copies of the form
// and the preferences, so that nothing the window does can reach it; only
// the session's stop flags are shared (atomics).
#pragma once

#include <QThread>

#include "desktop/logic/desktop_run.h"

namespace zemo::desktop::ui {

class MainWindow;

class RunWorker : public QThread {
    Q_OBJECT
public:
    // form: the form as ScreenToCfg delivered it; form_ok: false when the
    // window refused it (the run then ends at once, as refused).
    // window_side: the window's RunWindow, called on the window thread only.
    RunWorker(MainWindow& window, RunWindow& window_side, ProjectForm form, bool form_ok, Preferences prefs,
              RunPlaces places);
    // The run's status: 0 for a complete run, -100 otherwise.
    int status() const { return status_; }

protected:
    void run() override;

private:
    MainWindow& window_;
    RunWindow& window_side_;
    ProjectForm form_;
    bool form_ok_;
    Preferences prefs_;
    RunPlaces places_;
    int status_ = -100;
};

}  // namespace zemo::desktop::ui
