#include "desktop/qt/run_worker.h"

#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "desktop/qt/main_window.h"
#include "desktop/qt/qt_text.h"

namespace zemo::desktop::ui {

namespace {

// The run's calls, handed to the window thread. Queued calls keep their
// order; the questions block the run until they are answered.
class QueuedRunWindow : public RunWindow {
public:
    explicit QueuedRunWindow(MainWindow& window) : window_(window) {}

    void clear_messages() override {
        queue([w = &window_] { w->fM_Msg_Mem->clear(); });
    }
    void append_message(std::string_view line) override {
        queue([w = &window_, text = qt_text(line)] { w->fM_Msg_Mem->appendPlainText(text); });
    }
    void set_progress(int percent) override {
        queue([w = &window_, percent] { w->fM_Progress->setValue(percent); });
    }
    // The window sets its commands itself when the run starts and ends.
    void set_running(bool) override {}
    bool ask_yes_no(const std::string& text) override {
        bool yes = false;
        QMetaObject::invokeMethod(
            &window_,
            [&] {
                QMessageBox box(QMessageBox::Question, QStringLiteral("Zemo"), qt_text(text),
                                QMessageBox::Yes | QMessageBox::No, &window_);
                yes = box.exec() == QMessageBox::Yes;
            },
            Qt::BlockingQueuedConnection);
        return yes;
    }
    void show_stop(const std::string& text) override {
        QMetaObject::invokeMethod(
            &window_,
            [&] {
                QMessageBox box(QMessageBox::Critical, QStringLiteral("Zemo"), qt_text(text), QMessageBox::Ok,
                                &window_);
                box.exec();
            },
            Qt::BlockingQueuedConnection);
    }
    void play_alert() override {
        queue([] { QApplication::beep(); });
    }
    void end_program() override {
        queue([w = &window_] { w->request_end_after_run(); });
    }

private:
    template <class F>
    void queue(F&& f) {
        QMetaObject::invokeMethod(&window_, std::forward<F>(f), Qt::QueuedConnection);
    }
    MainWindow& window_;
};

}  // namespace

RunWorker::RunWorker(MainWindow& window, ProjectForm form, bool form_ok, Preferences prefs, RunPlaces places)
    : window_(window), form_(std::move(form)), form_ok_(form_ok), prefs_(std::move(prefs)),
      places_(std::move(places)) {}

void RunWorker::run() {
    QueuedRunWindow bridge(window_);
    const ScreenToCfg screen_to_cfg = [this](ProjectForm& form) {
        form = form_;
        return form_ok_;
    };
    status_ = run_model(screen_to_cfg, prefs_, places_, bridge, window_.session_);
}

}  // namespace zemo::desktop::ui
