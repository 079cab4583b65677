// zemo-desktop-run: runs a project the way the desktop program does, with
// no window. It exists so that scripts/compare_builds can compare the
// desktop's run (its own project reader, the main window's fields, its run
// on a worker thread, its log) with the console program's, and one build's
// with another's.
//
//   zemo-desktop-run [-t threads] project.atm
//     -t  the number of computation threads (sets ZEMO_THREADS, which the
//         run reads as the console program's does)
//
// The installation is looked up as by zemo and zemo-map. The project is
// opened as by "wzemo project.atm": the catalogue of the installation, the
// desktop reader, the fields of the main window and back. A pollutant of
// the project that the catalogue lacks is added to it first, as the user
// would in "Seznam látek" (a line says so): the test projects hold such
// pollutants, and the desktop opens no project whose pollutant it lacks. Every line of
// the message area, every question and stop box goes to stdout; a question
// is answered "No". Exit code: 0 for a complete run, 1 for a run that ended
// otherwise, 2 when the project cannot be opened without errors (the run
// would not be the project's), 3 for a wrong call.
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/platform.h"
#include "base/text.h"
#include "base/version.h"
#include "desktop/logic/desktop_run.h"
#include "desktop/logic/main_form.h"
#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/logic/preferences.h"
#include "desktop/logic/project_form_file.h"
#include "run/thread_count.h"

using namespace zemo;
using namespace zemo::desktop;

namespace {

// The message area printed, one line each; the run may call from any thread.
class PrintingWindow : public RunWindow {
public:
    void clear_messages() override {}
    void append_message(std::string_view line) override { say(std::string(line)); }
    void set_progress(int) override {}
    void set_running(bool) override {}
    bool ask_yes_no(const std::string& text) override {
        say("? " + text);
        say("? Ne");
        return false;
    }
    void show_stop(const std::string& text) override { say("! " + text); }

    // cp1250: Windows-1250 text, shown in the terminal's encoding.
    void say(const std::string& cp1250) {
        const std::lock_guard<std::mutex> lock(mutex_);
        platform::console_write(cp1250 + "\n");
    }

private:
    std::mutex mutex_;
};

int usage() {
    platform::console_write("pouzij:\n   zemo-desktop-run [-t pocet_vlaken] projekt.atm\n");
    return 3;
}

}  // namespace

int main(int argc, char** argv) {
    std::string project;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-t" && i + 1 < argc) {
            const std::string threads = argv[++i];
            const ThreadSetting setting = thread_setting(threads.c_str(), 1);
            if (!setting.valid || threads.empty()) return usage();
            ::setenv("ZEMO_THREADS", threads.c_str(), 1);
        } else if (project.empty() && !arg.empty() && arg[0] != '-') {
            project = arg;
        } else {
            return usage();
        }
    }
    if (project.empty()) return usage();

    PrintingWindow window;
    Preferences prefs = default_preferences(std::getenv("HOME") ? std::getenv("HOME") : "/tmp");
    prefs.root_dir = platform::installation_root(version_key(program_version_text()));
    if (prefs.root_dir.empty()) {
        window.say(kNotInstalledText);
        return 1;
    }
    // The priority changes no byte; the desktop's default (lowest) would only
    // slow a comparison on a busy machine.
    prefs.priority = 0;

    PollutantCatalogue catalogue;
    const std::string catalogue_message = load_catalogue(catalogue, prefs.root_dir);
    if (!catalogue_message.empty()) window.say("! " + catalogue_message);
    {
        ProjectForm read;
        std::string error;
        if (read_project_form(project_name_with_extension(utf8_to_cp1250(project)), read, error)) {
            for (const FormPollutant& p : read.pollutants) {
                bool found = false;
                for (const CatalogueEntry& e : catalogue.entries) found = found || e.name == p.name;
                if (found) continue;
                catalogue.entries.push_back(
                    CatalogueEntry{p.indicative, p.type, p.name, p.limit1, p.limit2, p.half_life});
                window.say("+ Seznam látek doplněn o: "_cz + p.name);
            }
        }
    }
    // ',' as on a Czech user's machine: the fields hold numbers in the
    // locale's form and are read back from it.
    MainForm main(catalogue, prefs, prefs.root_dir, ',');
    const MainReply opened = main.start({utf8_to_cp1250(project)});
    if (!opened.message.empty()) {
        window.say("! " + opened.message);
        return 2;
    }
    if (main.file_name().empty()) return 2;

    // As "Výpoč&et" does: the fields are taken on the window's thread, the
    // run happens on a worker thread.
    ProjectForm form;
    const MainReply taken = main.ScreenToCfg(form);
    const bool form_ok = !main.error();
    if (!taken.message.empty()) window.say("! " + taken.message);
    const char* temp = std::getenv("TMPDIR");
    const RunPlaces places{main.project_directory(), temp && *temp ? temp : "/tmp"};
    RunSession session;
    int status = -100;
    std::thread worker([&] {
        const ScreenToCfg screen_to_cfg = [&](ProjectForm& out) {
            out = form;
            return form_ok;
        };
        status = run_model(screen_to_cfg, prefs, places, window, session);
    });
    worker.join();
    return status == 0 ? 0 : 1;
}
