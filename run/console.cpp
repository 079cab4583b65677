#include "run/console.h"

#include "base/format.h"
#include "base/platform.h"
#include "base/text.h"
#include "base/version.h"
#include "run/run.h"

namespace zemo {

namespace {

void print_usage(const std::string& program, bool full) {
    platform::console_write("pouzij:\n");
    platform::console_write(
        format("   %s [-h] [-d adresar] [-l soubor] [-i soubor] [-L0|1|2] [-v]\n", program.c_str()));
    if (!full) return;
    platform::console_write(
        "     [-h]         - vypis teto napovedy\n"
        "     [-a]         - vypne zvukovou signalizaci ukonceni programu\n"
        "     [-c]         - po ukonceni programu uzavre okno\n"
        "     [-d adresar] - zakladni adresar vypoctu\n"
        "     [-l soubor]  - LOG soubor\n"
        "     [-i soubor]  - INI soubor\n"
        "     [-L0|1|2]    - uroven vypisu zprav\n"
        "        0 - NON:  bez LOG souboru\n"
        "        1 - STD:  standardni zpravy v LOG souboru\n"
        "        2 - DBG:  uplny vypis zprav v LOG souboru\n"
        "     [-pi]        - priorita vypoctu (i=2: normalni\n"
        "                  i=1: nizsi, i=0: nejnizsi\n"
        "                  i=3: vyssi, i=4: nejvyssi\n"
        "     [-v]         - vypis verze programu\n\n");
}

void wait_for_enter() {
    platform::console_write("\n----------------------------\n");
    platform::console_write("\nPro uzavreni okna stisknete ENTER\n");
    platform::console_read_char();
}

std::string program_name_from(const char* argv0, const std::string& exe) {
    std::string path = argv0 && *argv0 ? utf8_to_cp1250(argv0) : exe;
    std::string name = platform::base_name(path);
    return name.empty() ? std::string("zemo") : name;
}

}  // namespace

int run_console(int argc, char** argv) {
    // Ctrl+C and SIGTERM stop the run at its next point; the run then ends
    // as a stopped run, its previous results untouched.
    static std::atomic<bool> stop_signal{false};
    stop_signal = false;
    platform::handle_stop_signals(&stop_signal);
    struct DefaultSignals {
        ~DefaultSignals() { platform::handle_stop_signals(nullptr); }
    } default_signals_at_return;
    ConsoleProgress progress(&stop_signal);
    Run run(&progress);  // every record of the run, fresh, for this call only
    RunOptions& opt = run.options();
    opt.program_name = program_name_from(argc > 0 ? argv[0] : nullptr, platform::executable_path());

    // Version lookup, then the installation, before any option is looked at.
    opt.version = program_version_text();
    const std::string key = version_key(opt.version);
    opt.installation_directory = platform::installation_root(key);
    if (opt.installation_directory.empty()) {
        platform::console_write("*** Program neni korektne nainstalovan!\n\n");
        platform::console_write("\nPro ukonceni stisknete ENTER\n");
        platform::console_read_char();
        return -100;
    }

    opt.computation_directory = std::string(".") + platform::kDirSeparator;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = utf8_to_cp1250(argv[i]);
        auto take_value = [&](std::string& field, std::size_t max_length) {
            if (i + 1 >= argc) return false;
            const std::string value = utf8_to_cp1250(argv[++i]);
            if (value.size() > max_length) return false;  // never cut, never overrun
            field = value;
            return true;
        };
        bool ok = true;
        if (arg == "-h" || arg == "-help") {
            print_usage(opt.program_name, true);
            return 0;
        } else if (arg == "-a") {
            opt.bell = false;
        } else if (arg.size() == 3 && arg[0] == '-' && arg[1] == 'p' && arg[2] >= '0' && arg[2] <= '4') {
            opt.priority = arg[2] - '0' - 2;
        } else if (arg == "-c") {
            opt.close_window = true;
        } else if (arg == "-d") {
            // One character is kept for the separator that is appended.
            ok = take_value(opt.computation_directory, kMaxComputationDir - 1);
        } else if (arg == "-l") {
            ok = take_value(opt.log_file, kMaxLogPath);
            opt.log_given = opt.log_given || ok;
        } else if (arg == "-i") {
            ok = take_value(opt.project_file, kMaxProjectPath);
        } else if (arg == "-L0" || arg == "-L1" || arg == "-L2") {
            opt.message_level = arg[2] - '0';
        } else if (arg == "-v") {
            platform::console_write(format("%s %s\n\n", opt.product_word.c_str(), opt.version.c_str()));
            if (opt.bell) platform::console_write("\a");
            if (!opt.close_window) wait_for_enter();
            return 0;
        } else {
            ok = false;
        }
        if (!ok) {
            print_usage(opt.program_name, false);
            return 3;
        }
    }

    platform::console_write(format("%s verze %s\n", opt.product_word.c_str(), opt.version.c_str()));
    platform::console_write("----------------------------\n\n");

    // After a fatal stop the process ends: no end of run, no bell.
    RunPlan plan;
    plan.end_after_failure = false;
    const int status = run.execute(plan);
    platform::handle_stop_signals(nullptr);
    if (run.stopped()) return -100;
    if (opt.bell) platform::console_write("\a");
    if (!opt.close_window) wait_for_enter();
    // A run whose results could not be written completely is no complete run.
    return status == 0 ? 0 : -100;
}

}  // namespace zemo
