#include "run/run.h"

#include <ctime>
#include <new>
#include <utility>

#include "base/files.h"
#include "base/format.h"
#include "base/platform.h"
#include "base/text.h"
#include "input/input_loading.h"
#include "output/result_digest.h"
#include "run/run_files.h"

namespace zemo {

namespace {

std::string time_stamp(const std::tm& t) {
    return format("%02i.%02i.%4i  %02i:%02i:%02i", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min,
                  t.tm_sec);
}

// An allocation that failed where no reader or check expected it: the
// fatal "nedostatek paměti", which closes every file like any fatal stop.
// Called outside the handler of bad_alloc, when the stage's memory is free.
[[noreturn]] void report_exhausted_memory(RunLog& log) {
    log.fatal(kFatalMemory, "požadovanou paměť nelze přidělit"_cz);
}

// The body's status, or -100 when a fatal message (or exhausted memory,
// reported as one) ended it.
int guarded(RunLog& log, const std::function<int()>& body) {
    try {
        return body();
    } catch (const FatalStop& stop) {
        return stop.status;
    } catch (const std::bad_alloc&) {
    }
    try {
        report_exhausted_memory(log);
    } catch (const FatalStop& stop) {
        return stop.status;
    }
}

}  // namespace

int run_stage(RunLog& log, const std::function<int()>& step) { return guarded(log, step); }

Run::Run(RunObserver* observer) : observer_(observer) {
    hooks_.observer = observer;
    if (observer) log_.set_line_sink([observer](std::string_view line) { observer->message_line(line); });
}

Run::~Run() {
    // The lock made an empty file of a log that was never written (level 0
    // without an error): no log is left behind.
    if (log_made_by_lock_ && !log_.opened) platform::remove_file(own_log_path_);
}

bool Run::stage(Stage which, const std::function<void()>& body) {
    if (observer_) observer_->stage_starting(which);
    const bool completed = guarded(log_, [&] {
                               body();
                               return 0;
                           }) == 0;
    // A fatal message ended the log's file where it stood; the result
    // tables are closed the same way, keeping the rows written so far.
    if (!completed && log_.stopped_by_fatal()) close_result_files_after_stop(results_);
    if (observer_) observer_->stage_ended(which, completed);
    return completed;
}

int Run::execute(const RunPlan& plan) {
    struct Step {
        Stage stage;
        void (Run::*body)();
    };
    if (!stage(Stage::Initialisation, [&] { initialisation(plan); })) {
        // Nothing of the project is known yet: no result file exists.
        stopped_ = true;
        finish_held_log();
        return -100;
    }
    const Step steps[] = {{Stage::InputData, &Run::input_data},
                          {Stage::ResultPreparation, &Run::result_preparation},
                          {Stage::Computation, &Run::computation}};
    bool completed = stage(Stage::ProjectFile, [&] { project_file(plan); });
    for (const Step& s : steps) {
        if (!completed || plan.last_stage < s.stage) break;
        completed = stage(s.stage, [&] { (this->*s.body)(); });
    }
    if (!completed) {
        stopped_ = true;
        finish_held_log();
        if (!plan.end_after_failure && log_.stopped_by_fatal()) {
            abandon_results();
            return -100;
        }
    } else if (plan.last_stage < Stage::Computation) {
        return 0;
    }
    if (observer_) observer_->stage_starting(Stage::EndOfRun);
    const int status = end_of_run(completed ? 0 : -100);
    if (observer_) observer_->stage_ended(Stage::EndOfRun, status == 0);
    return status;
}

void Run::initialisation(const RunPlan& plan) {
    RunOptions& opt = options_;
    if (!plan.project_handed_over) {
        opt.installation_directory = platform::with_separator(opt.installation_directory);
        opt.computation_directory =
            platform::with_separator(opt.computation_directory.empty() ? std::string(".") : opt.computation_directory);
    }
    // Every relative path of the run is taken in its computation directory;
    // the process's working directory stays as it is.
    if (!plan.project_handed_over && !platform::is_searchable_directory(opt.computation_directory)) {
        platform::console_write(format("*** Adresář projektu neexistuje nebo není přístupný\n       %s\n"_cz,
                                       opt.computation_directory.c_str()));
        throw FatalStop{};
    }
    input_.directory = opt.computation_directory;
    input_.quiet_open_failure = opt.quiet_open_failure;
    log_.directory = opt.computation_directory;
    if (!plan.project_handed_over) {
        std::string log_path;
        if (opt.log_given) {
            log_path = opt.log_file;
        } else {
            const std::string base =
                opt.project_file.empty() ? opt.program_name : platform::base_name(opt.project_file);
            const std::string directory = opt.installation_directory + "log" + platform::kDirSeparator;
            log_path = lock_default_log(directory, base);
            // Nowhere to be had: the log is opened where it always was, and
            // its open reports what fails.
            if (log_path.empty()) log_path = directory + base + ".log";
            // Whatever the log's own name, its copy keeps the project's.
            log_.copy_name = base + ".log";
        }
        log_.log_path = log_path;
        log_.log_given = opt.log_given;
        // The log is created only once the project has been read and the
        // run's files have been checked: until then it could be aimed at an
        // input.
        log_.hold();
        log_.open(log_path, opt.message_level);
        opt.start_time = std::time(nullptr);
        opt.start_local = platform::local_time(opt.start_time);
    }
    if (opt.message_level > 0) {
        log_.write(format("%s verze %s\n", opt.product_word.c_str(), opt.version.c_str()));
        log_.write("================================================\n\n");
        log_.write("INICIALIZACE PROGRAMU\n");
    }
    log_.messagef(kInformation, "Čas startu programu: %s"_cz, time_stamp(opt.start_local).c_str());
    if (!plan.project_handed_over)
        log_.messagef(kInformation, "Výpočetní adresář: %s"_cz, opt.computation_directory.c_str());
    settings_ = load_model_settings(model_settings_path(opt.installation_directory), log_).values;
}

std::string Run::lock_default_log(const std::string& directory, const std::string& base) {
    // A log that another running computation holds is not shared: this run
    // takes the next free name. Where the installation's log directory
    // takes no file, the user's own does.
    for (int place = 0; place < 2; ++place) {
        // The user's directory is made only when it is needed.
        const std::string dir = place == 0 ? directory : platform::user_log_directory();
        if (dir.empty()) continue;
        for (int n = 1; n <= kMaxOwnLogNumber; ++n) {
            const std::string path = dir + base + (n == 1 ? std::string() : format("-%i", n)) + ".log";
            const bool existed = platform::is_regular_file(path);
            const platform::FileLock::Result taken = log_lock_.acquire(path);
            if (taken == platform::FileLock::Result::Acquired) {
                log_made_by_lock_ = !existed;
                own_log_path_ = path;
                return path;
            }
            if (taken == platform::FileLock::Result::Failed) break;
        }
    }
    return {};
}

void Run::project_file(const RunPlan& plan) {
    if (!plan.project_handed_over)
        project_ =
            read_project(project_file_path(options_), platform::full_directory(options_.computation_directory), input_);
    // Every result name must be one Windows can hold, and no result table
    // may replace an input, the log or another result.
    check_portable_result_names(project_, log_);
    check_run_files(options_, project_, log_);
    log_.release();
    if (plan.last_stage >= Stage::ResultPreparation) lock_output_directory();
}

void Run::lock_output_directory() {
    const std::string directory =
        platform::path_in_directory(options_.computation_directory, project_.output_directory);
    std::string holder;
    switch (transaction_.begin(directory, project_file_path(options_), time_stamp(options_.start_local), holder)) {
        case ResultTransaction::Begin::Locked: break;
        case ResultTransaction::Begin::HeldElsewhere:
            log_.fatalf(kFatalPlain, "do výstupního adresáře zapisuje jiný probíhající výpočet%s%s%s: %s"_cz,
                        holder.empty() ? "" : " (", holder.c_str(), holder.empty() ? "" : ")",
                        project_.output_directory.c_str());
        case ResultTransaction::Begin::Failed:
            // A directory that cannot hold the lock file cannot hold the
            // results either: the run writes them as it always did and
            // reports the table it cannot create.
            break;
    }
}

void Run::finish_held_log() {
    if (!log_.held()) return;
    if (held_log_may_be_created(options_, project_, log_)) {
        log_.release();
        log_.flush();
        log_.close_file();
        close_result_files_after_stop(results_);
    } else {
        log_.release_to_console();
    }
}

void Run::input_data() {
    InputData data = load_input_data(project_, settings_, options_, input_);
    roses_ = std::move(data.roses);
    sources_ = std::move(data.sources);
    transfers_ = std::move(data.transfers);
    points_ = std::move(data.points);
}

RunInputs Run::inputs() const { return {options_, project_, settings_, roses_, sources_, transfers_, points_}; }

void Run::result_preparation() {
    if (transaction_.active()) {
        results_.temporary_suffix = kNewSuffix;
        results_.before_create = [this](const std::string& written) { transaction_.creating(written); };
    }
    prepare_result_files(inputs(), results_, log_);
}

void Run::abandon_results() {
    close_result_files_after_stop(results_);
    reset_result_files(results_);
    transaction_.abandon();
}

bool Run::put_results_in_place(const std::vector<CreatedResultFile>& created) {
    std::vector<PendingFile> files;
    for (const CreatedResultFile& c : created)
        if (c.written != c.name) files.push_back({c.written, c.name, c.path});
    std::string failed;
    int error = 0;
    if (transaction_.replace(files, failed, error)) return true;
    log_.messagef(kErrorPlain, "soubor výsledků nelze nahradit, předchozí výsledky zůstávají beze změny: %s (%s)"_cz,
                  failed.c_str(), platform::error_text(error).c_str());
    return false;
}

void Run::computation() {
    platform::set_thread_priority(options_.priority);
    const int status = guarded(log_, [&] {
        return run_computation(inputs(), results_, input_, hooks_) == ComputationEnd::Complete ? 0 : -100;
    });
    platform::set_thread_priority(0);
    if (status == -100) throw FatalStop{};
}

int Run::end_of_run(int status) {
    // The tables of the inputs are no longer needed.
    sources_ = Sources{};
    roses_ = WindRoses{};
    transfers_ = Transfers{};
    points_ = ReferencePointTables{};
    RunLog& log = log_;
    const RunOptions& opt = options_;

    // The result tables are completed and closed before the end texts, so
    // that a table that could not be written completely is reported in the
    // log and the run does not end with "O.K.".
    complete_result_files(results_);
    if (!close_result_files(results_, log)) status = -100;
    // A log that has already lost a line is no record of a complete run.
    if (log.write_failed()) status = -100;
    // Only a complete run replaces the previous results, and then the
    // log records what it put in place.
    if (transaction_.active()) {
        if (status == 0 && !put_results_in_place(results_.created)) status = -100;
        if (status != 0) {
            transaction_.abandon();
            // The log copy beside the results stays the one of the results.
            log.copy_path.clear();
        }
    }
    if (status == 0 && opt.message_level > 0) {
        for (const CreatedResultFile& c : results_.created) {
            if (const auto digest = digest_file(c.name)) log.message(kInformation, digest_line_text(c.path, *digest));
        }
    }

    const std::time_t end = std::time(nullptr);
    const long total = static_cast<long>(end - opt.start_time);
    const long hours = total / 3600, minutes = (total % 3600) / 60, seconds = total % 60;
    if (opt.message_level > 0) {
        log.write(status == 0 ? "\nVÝPOČET UKONČEN... O.K.\n"_cz : "\nVÝPOČET UKONČEN...\n"_cz);
        log.messagef(kInformation, "Čas ukončení programu: %s"_cz, time_stamp(platform::local_time(end)).c_str());
        log.messagef(kInformation, "Celkový výpočetní čas: %lih %02lim %02lis"_cz, hours, minutes, seconds);
        if (opt.console) {
            platform::console_write(format("Vypocet ukoncen%45s\n", ""));
            platform::console_write(format("Celkovy vypocetni cas: %lih %02lim %02lis\n", hours, minutes, seconds));
        }
    }
    if (!transaction_.active()) {
        if (!log.close()) status = -100;
        return status;
    }
    // The log's copy is written under its temporary name and put in place
    // last. The results are the new ones once they are in place: a copy
    // that cannot follow them leaves no copy of another run beside them.
    const bool replaced = status == 0;
    log.copy_suffix = kNewSuffix;
    const std::string copy_shown = log.copy_path;
    const std::string copy_name =
        copy_shown.empty() ? std::string() : platform::path_in_directory(opt.computation_directory, copy_shown);
    if (!copy_name.empty()) transaction_.creating(copy_name + kNewSuffix);
    const bool closed = log.close();
    if (!closed) status = -100;
    if (!copy_name.empty()) {
        bool copy_in_place = false;
        if (closed && platform::is_regular_file(copy_name + kNewSuffix)) {
            std::string failed;
            int error = 0;
            copy_in_place = transaction_.replace({{copy_name + kNewSuffix, copy_name, copy_shown}}, failed, error);
            if (!copy_in_place) {
                // The log is closed: the console and the host's message
                // lines carry it.
                status = -100;
                platform::console_write(format("+++ Kopii protokolu nelze nahradit - [ %s ]\n%s", copy_shown.c_str(),
                                               console_reason(error).c_str()));
                if (observer_)
                    observer_->message_line(format("+++ kopii protokolu nelze nahradit: %s (%s)"_cz, copy_shown.c_str(),
                                                   platform::error_text(error).c_str()));
            }
        }
        if (replaced && !copy_in_place) platform::remove_file(copy_name);
    }
    // The temporary copy of a log that lost a write goes with the rest.
    transaction_.commit();
    return status;
}

}  // namespace zemo
