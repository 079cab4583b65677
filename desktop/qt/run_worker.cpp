#include "desktop/qt/run_worker.h"

#include "desktop/qt/main_window.h"

namespace zemo::desktop::ui {

namespace {

// The run's calls, handed over to the window thread's RunWindow. Queued
// calls keep their order; the questions block the run until answered.
class QueuedRunWindow : public RunWindow {
public:
    QueuedRunWindow(QObject& window_thread, RunWindow& window) : context_(window_thread), window_(window) {}

    void clear_messages() override {
        queue([w = &window_] { w->clear_messages(); });
    }
    void append_message(std::string_view line) override {
        queue([w = &window_, text = std::string(line)] { w->append_message(text); });
    }
    void set_progress(int percent) override {
        queue([w = &window_, percent] { w->set_progress(percent); });
    }
    // The window sets its commands itself when the run starts and ends.
    void set_running(bool) override {}
    bool ask_yes_no(const std::string& text) override {
        bool yes = false;
        QMetaObject::invokeMethod(
            &context_, [&] { yes = window_.ask_yes_no(text); }, Qt::BlockingQueuedConnection);
        return yes;
    }
    void show_stop(const std::string& text) override {
        QMetaObject::invokeMethod(
            &context_, [&] { window_.show_stop(text); }, Qt::BlockingQueuedConnection);
    }
    void play_alert() override {
        queue([w = &window_] { w->play_alert(); });
    }
    void end_program() override {
        queue([w = &window_] { w->end_program(); });
    }

private:
    template <class F>
    void queue(F&& f) {
        QMetaObject::invokeMethod(&context_, std::forward<F>(f), Qt::QueuedConnection);
    }
    QObject& context_;
    RunWindow& window_;
};

}  // namespace

RunWorker::RunWorker(MainWindow& window, RunWindow& window_side, ProjectForm form, bool form_ok, Preferences prefs,
                     RunPlaces places)
    : window_(window),
      window_side_(window_side),
      form_(std::move(form)),
      form_ok_(form_ok),
      prefs_(std::move(prefs)),
      places_(std::move(places)) {}

void RunWorker::run() {
    QueuedRunWindow bridge(window_, window_side_);
    const ScreenToCfg screen_to_cfg = [this](ProjectForm& form) {
        form = form_;
        return form_ok_;
    };
    status_ = run_model(screen_to_cfg, prefs_, places_, bridge, window_.session_);
}

}  // namespace zemo::desktop::ui
