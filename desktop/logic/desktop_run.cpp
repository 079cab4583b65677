#include "desktop/logic/desktop_run.h"

#include <atomic>
#include <ctime>

#include "base/format.h"
#include "base/platform.h"
#include "base/run_log.h"
#include "base/text.h"
#include "base/version.h"
#include "desktop/logic/form_number.h"
#include "desktop/logic/project_handover.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"
#include "run/run_files.h"
#include "run/run.h"

namespace zemo::desktop {

namespace {

// A rotation or share limit above this was given (kNotGiven = -9999).
constexpr double kGivenAbove = -9998.0;

InputTable table_named(const std::string& name) {
    InputTable table;
    table.path = name;
    return table;
}

// The host's view of a run: progress in percent, the stop flag, the error
// lines in the message area; each lets the window process its events.
class WindowObserver : public RunObserver {
public:
    // stop: "Zastavit", cleared before the computation; closing: the window
    // is closing, never cleared during the run. Either may be null.
    WindowObserver(RunWindow& window, const std::atomic<bool>* stop, const std::atomic<bool>* closing)
        : window_(window), stop_(stop), closing_(closing) {}
    void progress(int done, int total, const ReferencePoint&) override {
        window_.set_progress(total > 0 ? static_cast<int>(100LL * done / total) : 0);
        window_.process_events();
    }
    bool stop_requested() override { return (stop_ && *stop_) || (closing_ && *closing_); }
    void message_line(std::string_view line) override {
        window_.append_message(line);
        window_.process_events();
    }

protected:
    RunWindow& window_;

private:
    const std::atomic<bool>* stop_;
    const std::atomic<bool>* closing_;
};

// The session's log state once the run's log has been closed.
void note_log_closed(RunSession& session, const RunLog& log) {
    if (log.log_state == 1) session.log_state = LogState::CopyAvailable;
    else if (log.opened && !log.writes_to_stdout()) session.log_state = LogState::Available;
}

}  // namespace

int prepare_run(const ProjectForm& form, const Preferences& prefs, const RunPlaces& places, RunWindow& window,
                RunSession& session, Run& run) {
    RunOptions& opt = run.options();
    RunLog& log = run.log();
    bool failed = false;
    const auto fail = [&](const char* line) {
        window.append_message(line);
        failed = true;
    };
    const char* const kNoOutputDirectory = "*** Nezadaný výstupní adresář"_cz;

    // 1. message level
    const int level = run_log_level(prefs.log_level);

    // 2. log location
    session.own_log_file = !prefs.log_file.empty();
    session.copy_path.clear();
    std::string log_path;
    if (session.own_log_file) {
        log_path = prefs.log_file;
    } else {
        // The installation's mZemo.log, a name of its own while another
        // window's or program's run holds it, or the same in the user's log
        // directory when the installation's takes no file.
        std::string directory = platform::with_separator(prefs.root_dir);
        directory.append("log").push_back(platform::kDirSeparator);
        log_path = run.lock_default_log(directory, "mZemo");
        if (log_path.empty()) log_path = directory + "mZemo.log";
        if (form.output_directory.empty()) window.append_message(kNoOutputDirectory);
        else session.copy_path = platform::with_separator(form.output_directory) + "zemo.log";
    }

    // 3. the log, or the fallback in the temporary directory (a relative
    // name taken in the project's directory)
    log.directory = platform::with_separator(places.project_directory);
    std::string reason;
    if (!log.open_or_fail(log_path, level, reason)) {
        std::string line("+++ ");
        window.append_message(line.append(reason));
        // A file of this run's own in the temporary directory, which
        // nobody else can have planted.
        const std::string fallback = create_fallback_log(places.temp_directory);
        std::string question = reason;
        question.append("\n\nPoužít soubor ["_cz).append(fallback).append("]?");
        if (fallback.empty() || !window.ask_yes_no(question)) {
            if (!fallback.empty()) platform::remove_file(fallback);
            return kPrepareNoLog;
        }
        if (!log.open_or_fail(fallback, level, reason)) {
            std::string fatal("*** ");
            window.append_message(fatal.append(reason));
            window.append_message("Nelze zahájit výpočet!"_cz);
            return kPrepareNoLog;
        }
        log_path = fallback;
    }
    log.quiet = true;
    log.log_path = log_path;
    log.log_given = session.own_log_file;
    log.copy_path = session.own_log_file ? std::string() : session.copy_path;
    session.log_path = log_path;
    if (level > 0) session.log_state = LogState::InProgress;

    // 4. checks, every one made; 5. the hand-over
    ProjectConfig& cfg = run.project();
    cfg.reset();
    for (const std::string& name : form.point_files)
        if (!name.empty()) cfg.grid_files.push_back(table_named(name));
    if (cfg.grid_files.empty()) fail("*** Není zadán žádný soubor s referenčními body"_cz);

    cfg.rotation = kNotGiven;
    cfg.rotation_given = false;
    if (form.projection == FormProjection::Jtsk) {
        cfg.projection = kProjectionJtsk;
    } else if (form.projection == FormProjection::S42) {
        cfg.projection = kProjectionS42;
    } else if (form.projection == FormProjection::Other && !form.rotation.empty()) {
        cfg.projection = kProjectionJina;
        double rotation = 0;
        if (convert_form_number(form.rotation, rotation)) {
            cfg.rotation = rotation;
            cfg.rotation_given = true;
        } else {
            fail("*** Chybný znak v definici otočení projekce"_cz);
        }
    } else {
        fail("*** Nezadaná projekce"_cz);
    }

    for (const FormPollutant& chosen : form.pollutants) {
        Pollutant p = handover_pollutant(chosen);
        if (p.type == kTypeNO2 && ++cfg.no2_count == 2) fail("*** Nelze najednou počítat vícekrát koncentrace NO2"_cz);
        cfg.pollutants.push_back(std::move(p));
    }
    if (cfg.pollutants.empty()) fail("*** Celkový počet látek ve výpočtu je 0"_cz);

    if (!form.point_sources.empty()) cfg.point_sources = table_named(form.point_sources), cfg.source_kinds = 1;
    if (!form.line_sources.empty()) cfg.line_sources = table_named(form.line_sources), cfg.source_kinds = 2;
    if (!form.area_sources.empty()) cfg.area_sources = table_named(form.area_sources), cfg.source_kinds = 3;
    if (cfg.source_kinds == 0) fail("*** Nejsou zadané žádné soubory se zdroji"_cz);

    if (form.addition == FormAddition::Transfers && !form.transfers.empty()) {
        cfg.transfers = table_named(form.transfers);
        cfg.transfers_given = true;
    } else {
        cfg.background = handover_background(form);
        cfg.background_given = true;
    }

    if (form.wind_roses.empty()) fail("*** Nezadaný soubor s větrnými růžcemi"_cz);
    else cfg.wind_roses = table_named(form.wind_roses);

    if (form.output_type >= kResultBasic && form.output_type <= kResultExtended) cfg.result_type = form.output_type;
    if (form.output_format == kFormatDbf || form.output_format == kFormatTxt) cfg.result_format = form.output_format;
    cfg.limit_share_threshold = form.share_limit > kGivenAbove ? form.share_limit : 1.0;
    if (form.output_directory.empty()) {
        fail(kNoOutputDirectory);
    } else {
        cfg.output_directory_value = form.output_directory;
        cfg.output_directory = platform::with_separator(form.output_directory);
    }
    const auto base = [](const std::string& name, std::string& field) {
        if (!name.empty()) field = name;
    };
    base(form.out_basic, cfg.base_basic);
    base(form.out_group_shares, cfg.base_group_shares);
    base(form.out_source_shares, cfg.base_source_shares);
    base(form.out_sector_max, cfg.base_sector_max);
    base(form.out_sector_mean, cfg.base_sector_mean);
    base(form.out_extended, cfg.base_report);

    opt.program_name = "wzemo";
    opt.version = program_version_text();
    opt.installation_directory = platform::with_separator(prefs.root_dir);
    opt.computation_directory = platform::with_separator(places.project_directory);
    opt.log_file = log_path;
    opt.log_given = session.own_log_file;
    opt.message_level = level;
    opt.priority = prefs.priority >= kPriorityLowest && prefs.priority <= kPriorityHighest ? prefs.priority : 0;
    opt.quiet_open_failure = true;
    opt.console = false;

    // 6.
    if (failed) {
        window.show_stop("CHYBNÉ ÚDAJE\nVýpočet nelze zahájit!"_cz);
        return -100;
    }
    return 0;
}

namespace {

// The desktop's own sequence around the stages of a run: the message-area
// lines, the log's quiet flag (on outside the stages, so that what the
// window does itself is not logged) and the stop flag, cleared before the
// computation so that a press of "Zastavit" during the inputs does not stop
// the next run.
class DesktopRunObserver : public WindowObserver {
public:
    DesktopRunObserver(RunWindow& window, RunSession& session)
        : WindowObserver(window, &session.stop, &session.closing), session_(session) {}
    void attach(RunLog& log) { log_ = &log; }

    void stage_starting(Stage stage) override {
        if (stage == Stage::Initialisation) {
            log_->error_count = 0;
            window_.set_progress(0);
            window_.append_message("Načtení vstupních dat..."_cz);
            log_->quiet = false;
        } else if (stage == Stage::Computation) {
            window_.append_message("         ...o.k.");
            window_.append_message("Výpočet..."_cz);
            session_.stop = false;
        }
    }
    void stage_ended(Stage stage, bool completed) override {
        if (stage != Stage::EndOfRun) return;
        // The end of run comes before the verdict: what it still reports (a
        // result table or the log's copy that could not be written) must
        // not follow the last line of the run.
        log_->quiet = true;
        note_log_closed(session_, *log_);
        if (!completed) {
            window_.append_message("VÝPOČET NEBYL DOKONČEN!"_cz);
            return;
        }
        window_.set_progress(100);
        window_.append_message("Výpočet ukončen...o.k."_cz);
    }

private:
    RunSession& session_;
    RunLog* log_ = nullptr;
};

}  // namespace

int run_model(const ScreenToCfg& screen_to_cfg, const Preferences& prefs, const RunPlaces& places, RunWindow& window,
              RunSession& session) {
    // 1. 2. 3.
    const int priority = prefs.priority >= kPriorityLowest && prefs.priority <= kPriorityHighest ? prefs.priority : 0;
    platform::set_thread_priority(priority);
    window.clear_messages();
    DesktopRunObserver observer(window, session);
    Run run(&observer);
    observer.attach(run.log());
    window.set_running(true);
    // 12.
    const auto finish = [&](int status) {
        platform::set_thread_priority(0);
        window.set_running(false);
        return status;
    };

    // 4. 5.
    ProjectForm form;
    if (!screen_to_cfg(form)) {
        window.append_message("VÝPOČET NEBYL DOKONČEN!"_cz);
        return finish(-100);
    }
    if (prepare_run(form, prefs, places, window, session, run) != 0) {
        window.append_message("VÝPOČET NELZE ZAHÁJIT!"_cz);
        // The log opened for this run stays as it is (empty), not copied.
        RunLog& log = run.log();
        log.copy_path.clear();
        log.close();
        note_log_closed(session, log);
        return finish(-100);
    }

    // 6.
    RunOptions& opt = run.options();
    opt.start_time = std::time(nullptr);
    opt.start_local = platform::local_time(opt.start_time);
    const std::tm& t = opt.start_local;
    window.append_message(format("Výpočet zahájen %02i.%02i.%4i  %02i:%02i:%02i..."_cz, t.tm_mday, t.tm_mon + 1,
                                 t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec));
    // 7. to 10.: the stages, the run's files checked before anything is
    // read or written (no result table may replace an input, the log or
    // another result).
    RunPlan plan;
    plan.project_handed_over = true;
    if (run.execute(plan) != 0) return finish(-100);
    // 11.
    if (prefs.audio) window.play_alert();
    if (prefs.close_after_run) window.end_program();
    return finish(0);
}

namespace {

struct CheckedKind {
    const char* heading;
    const char* failure;
    const char* count;  // nullptr: no count line
};

CheckedKind checked_kind(CheckedFile kind) {
    const char* const kBadPoints = "Neexistující nebo chybný soubor s referenčními body"_cz;
    const char* const kBadSources = "Neexistující nebo chybný soubor se zdroji"_cz;
    const char* const kPointCount = "Počet referenčních bodů v souboru: %i"_cz;
    switch (kind) {
        case CheckedFile::Points1: return {"Kontrola 1. souboru s referenčními body ["_cz, kBadPoints, kPointCount};
        case CheckedFile::Points2: return {"Kontrola 2. souboru s referenčními body ["_cz, kBadPoints, kPointCount};
        case CheckedFile::Points3: return {"Kontrola 3. souboru s referenčními body ["_cz, kBadPoints, kPointCount};
        case CheckedFile::PointSources:
            return {"Kontrola souboru s bodovými zdroji ["_cz, kBadSources, "Počet bodových zdrojů v souboru: %i"_cz};
        case CheckedFile::LineSources:
            return {"Kontrola souboru s liniovými zdroji ["_cz, kBadSources, "Počet liniových zdrojů v souboru: %i"_cz};
        case CheckedFile::AreaSources:
            return {"Kontrola souboru s plošnými zdroji ["_cz, kBadSources, "Počet plošných zdrojů v souboru: %i"_cz};
        case CheckedFile::Transfers:
            return {"Kontrola souboru s transfery ["_cz, "Neexistující nebo chybný soubor s transfery"_cz, nullptr};
        case CheckedFile::WindRoses:
            return {"Kontrola souboru s větrnými růžicemi ["_cz,
                    "Neexistující nebo chybný soubor s větrnými růžicemi"_cz, nullptr};
    }
    return {"", "", nullptr};
}

const std::string& checked_name(const ProjectForm& form, CheckedFile kind) {
    switch (kind) {
        case CheckedFile::Points1: return form.point_files[0];
        case CheckedFile::Points2: return form.point_files[1];
        case CheckedFile::Points3: return form.point_files[2];
        case CheckedFile::PointSources: return form.point_sources;
        case CheckedFile::LineSources: return form.line_sources;
        case CheckedFile::AreaSources: return form.area_sources;
        case CheckedFile::Transfers: return form.transfers;
        case CheckedFile::WindRoses: return form.wind_roses;
    }
    return form.wind_roses;
}

// The modification time of an existing file, as "%2i.%2i.%4i  %2i:%2i"
// zero-padded; false when the file does not exist.
bool file_date(const std::string& name, std::string& out) {
    std::time_t written = 0;
    if (!platform::modification_time(name, written)) return false;
    const std::tm t = platform::local_time(written);
    out = format("%02i.%02i.%4i  %02i:%02i", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min);
    return true;
}

}  // namespace

bool check_data(const ScreenToCfg& screen_to_cfg, CheckedFile kind, const RunPlaces& places, RunWindow& window) {
    // 1.
    ProjectForm form;
    screen_to_cfg(form);  // a refusal is not heeded
    // A reader of the model, quietly: nothing reaches a log file, the error
    // lines go to the message area; relative names are taken in the
    // project's directory.
    RunLog log;
    log.level = 0;
    log.quiet = true;
    log.set_line_sink([&window](std::string_view line) {
        window.append_message(line);
        window.process_events();
    });
    PartialNumbers notes;
    InputContext in(log, notes, platform::with_separator(places.project_directory), true);
    ProjectConfig cfg;
    for (const FormPollutant& chosen : form.pollutants) {
        cfg.pollutants.push_back(handover_pollutant(chosen));
        if (cfg.pollutants.back().type == kTypeNO2) ++cfg.no2_count;
    }

    // 2. 3.
    const CheckedKind what = checked_kind(kind);
    const std::string& name = checked_name(form, kind);
    window.clear_messages();
    std::string heading(what.heading);
    window.append_message(heading.append(name).append("]..."));
    std::string date;
    if (file_date(in.file_name(name), date)) {
        std::string line("Datum souboru: ");
        window.append_message(line.append(date));
    }

    // 4. The test passes read no wind roses and take the methodology's
    // sector count.
    const ModelSettings no_settings;
    const WindRoses no_roses;
    int status = -100;
    int count = 0;
    const auto test_sources = [&](int kinds) {
        cfg.source_kinds = kinds;
        Sources sources;
        status = run_stage(log, [&] {
            sources = read_sources(ReaderPass::Test, cfg, no_roses, 0, in);
            return 0;
        });
        return sources;
    };
    switch (kind) {
        case CheckedFile::Points1:
        case CheckedFile::Points2:
        case CheckedFile::Points3:
            cfg.grid_files.push_back(table_named(name));
            status = run_stage(log, [&] {
                count = load_reference_points(cfg, no_roses, in, PointReaderMode::Test).total;
                return 0;
            });
            break;
        case CheckedFile::PointSources:
            cfg.point_sources = table_named(name);
            count = test_sources(1).NP;
            break;
        case CheckedFile::LineSources:
            cfg.line_sources = table_named(name);
            count = test_sources(2).NL;
            break;
        case CheckedFile::AreaSources:
            cfg.area_sources = table_named(name);
            count = test_sources(3).NA;
            break;
        case CheckedFile::Transfers:
            cfg.transfers = table_named(name);
            cfg.transfers_given = true;
            status = run_stage(log, [&] {
                read_transfers(ReaderPass::Test, cfg, no_settings, no_roses, in);
                return 0;
            });
            break;
        case CheckedFile::WindRoses:
            cfg.wind_roses = table_named(name);
            status = run_stage(log, [&] {
                read_wind_roses(ReaderPass::Test, cfg, no_settings, in);
                return 0;
            });
            break;
    }

    // 5.
    if (status != 0) {
        window.show_stop(what.failure);
        return false;
    }
    if (what.count) window.append_message(format(what.count, count));
    window.append_message("Kontrola souboru ukončena - o.k."_cz);
    window.append_message(" ");
    return true;
}

LogToShow log_to_show(const RunSession& session) {
    switch (session.log_state) {
        case LogState::NoRunYet: return {"Dosud nebyl proveden žádný výpočet!"_cz, {}};
        case LogState::InProgress: return {"Probíhá výpočet!"_cz, {}};
        case LogState::Available: return {{}, session.log_path};
        case LogState::CopyAvailable: return {{}, session.copy_path};
    }
    return {};
}

}  // namespace zemo::desktop
