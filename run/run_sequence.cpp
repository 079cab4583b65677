#include "run/run_sequence.h"

#include <ctime>
#include <new>

#include "base/format.h"
#include "base/platform.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "run/run.h"
#include "run/run_files.h"
#include "base/run_options.h"
#include "base/text.h"
#include "base/version.h"
#include "input/input_loading.h"
#include "input/run_inputs.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"
#include "run/point_loop.h"
#include "input/model_settings.h"
#include "output/result_files.h"

namespace zemo {

namespace {

// TRANSITIONAL, until the driver hands the run's records on: the inputs
// from the records of this thread. The run still works in its computation
// directory, so its options are handed on without one (the result files
// are opened by their paths as given).
RunInputs inputs_of_this_thread() {
    static thread_local RunOptions options;
    options = run_options();
    options.computation_directory.clear();
    return {options, project(), model_settings(), wind_roses(), sources(), transfers(), reference_point_tables()};
}

// Base name without directory and extension.
std::string time_stamp(const std::tm& t) {
    return format("%02i.%02i.%4i  %02i:%02i:%02i", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min,
                  t.tm_sec);
}

// An allocation that failed where no reader or check expected it: the
// fatal "nedostatek paměti", which closes every file like any fatal stop.
// Called outside the handler of bad_alloc, when the stage's memory is free.
int report_exhausted_memory() {
    run_log().message(kFatalMemory, "požadovanou paměť nelze přidělit"_cz);
    return -100;  // not reached: a fatal message ends the stage
}

}  // namespace

int run_stage(const std::function<int()>& stage) {
    try {
        return stage();
    } catch (const FatalStop& stop) {
        return stop.status;
    } catch (const std::bad_alloc&) {
    }
    try {
        return report_exhausted_memory();
    } catch (const FatalStop& stop) {
        return stop.status;
    }
}

int stage_initialisation() {
    RunOptions& opt = run_options();
    opt.installation_directory = platform::with_separator(opt.installation_directory);
    opt.computation_directory =
        platform::with_separator(opt.computation_directory.empty() ? std::string(".") : opt.computation_directory);
    if (!platform::change_directory(opt.computation_directory)) {
        platform::console_write(format("*** Adresář projektu neexistuje nebo není přístupný\n       %s\n"_cz,
                                       opt.computation_directory.c_str()));
        return -100;
    }
    RunLog& log = run_log();
    std::string log_path;
    if (opt.log_given) {
        log_path = opt.log_file;
    } else {
        const std::string base = opt.project_file.empty() ? opt.program_name : platform::base_name(opt.project_file);
        log_path = opt.installation_directory + "log" + platform::kDirSeparator + base + ".log";
    }
    log.log_path = log_path;
    log.log_given = opt.log_given;
    // The log is created only once the project has been read and the run's
    // files have been checked: until then it could be aimed at an input.
    log.hold();
    log.open(log_path, opt.message_level);

    opt.start_time = std::time(nullptr);
    opt.start_local = platform::local_time(opt.start_time);
    if (opt.message_level > 0) {
        log.write(format("%s verze %s\n", opt.product_word.c_str(), opt.version.c_str()));
        log.write("================================================\n\n");
        log.write("INICIALIZACE PROGRAMU\n");
    }
    log_message(kInformation, "Čas startu programu: %s"_cz, time_stamp(opt.start_local).c_str());
    log_message(kInformation, "Výpočetní adresář: %s"_cz, opt.computation_directory.c_str());
    load_model_settings();
    return 0;
}

int stage_project_file() {
    read_project();
    check_run_files();
    run_log().release();
    return 0;
}

void finish_held_log() {
    RunLog& log = run_log();
    if (!log.held()) return;
    if (held_log_may_be_created()) {
        log.release();
        log.flush();
        close_all_files();
    } else {
        log.release_to_console();
    }
}

int stage_input_data() { return load_input_data(); }

int stage_result_preparation() {
    prepare_result_files(inputs_of_this_thread(), RunRecord<ResultFiles>::current(), run_log());
    return 0;
}

int stage_computation() {
    platform::set_thread_priority(run_options().priority);
    const int status = run_stage([] {
        return run_computation(inputs_of_this_thread(), RunRecord<ResultFiles>::current(), run_log(),
                               RunRecord<RunHooks>::current()) == ComputationEnd::Complete ? 0 : -100;
    });
    platform::set_thread_priority(0);
    if (status == -100) throw FatalStop{};
    return status;
}

void release_run_tables() {
    sources().reset();
    wind_roses().reset();
    transfers().reset();
    reference_point_tables().reset();
    partial_numbers().reset();
}

void reset_run_records() {
    run_log().reset();
    run_options().reset();
    project().reset();
    model_settings().reset();
    release_run_tables();
}

int stage_end_of_run(int status) {
    RunOptions& opt = run_options();
    RunLog& log = run_log();
    release_run_tables();
    // The result tables are completed and closed before the end texts, so
    // that a table that could not be written completely is reported in the
    // log and the run does not end with "O.K.".
    complete_result_files(RunRecord<ResultFiles>::current());
    if (!close_result_files(RunRecord<ResultFiles>::current(), log)) status = -100;
    // A log that has already lost a line is no record of a complete run.
    if (log.write_failed()) status = -100;

    const std::time_t end = std::time(nullptr);
    const long total = static_cast<long>(end - opt.start_time);
    const long hours = total / 3600, minutes = (total % 3600) / 60, seconds = total % 60;
    if (opt.message_level > 0) {
        log.write(status == 0 ? "\nVÝPOČET UKONČEN... O.K.\n"_cz : "\nVÝPOČET UKONČEN...\n"_cz);
        log_message(kInformation, "Čas ukončení programu: %s"_cz, time_stamp(platform::local_time(end)).c_str());
        log_message(kInformation, "Celkový výpočetní čas: %lih %02lim %02lis"_cz, hours, minutes, seconds);
        if (opt.console) {
            platform::console_write(format("Vypocet ukoncen%45s\n", ""));
            platform::console_write(format("Celkovy vypocetni cas: %lih %02lim %02lis\n", hours, minutes, seconds));
        }
    }
    if (!log.close()) status = -100;
    close_all_files();
    return status;
}

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
    Run run;  // every record of the run, fresh, for this call only
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

    int status = 0;
    bool exhausted = false;
    try {
        if (stage_initialisation() != 0) return -100;
        stage_project_file();
        stage_input_data();
        stage_result_preparation();
        stage_computation();
        status = stage_end_of_run(0);
    } catch (const FatalStop& stop) {
        // A fatal stop before the project was checked: the held log is
        // created now, unless it would replace an input.
        finish_held_log();
        return stop.status;
    } catch (const std::bad_alloc&) {
        exhausted = true;
    }
    if (exhausted) {
        const int stopped = run_stage(report_exhausted_memory);
        finish_held_log();
        return stopped;
    }
    if (opt.bell) platform::console_write("\a");
    if (!opt.close_window) wait_for_enter();
    // A run whose results could not be written completely is no complete run.
    return status == 0 ? 0 : -100;
}

}  // namespace zemo
