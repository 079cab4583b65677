// Running the model from the desktop program: the run preparation's
// checks and log, a stop during the computation, repeated runs, the same
// bytes as the console program, and the single-file tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/platform.h"
#include "desktop/logic/desktop_run.h"
#include "desktop/logic/main_form.h"
#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/logic/project_form_file.h"
#include "tests/e2e/town_project.h"
#include "tests/test_support.h"

using namespace zemo;
using namespace zemo::desktop;
using zemo::test::read_file;
using zemo::test::TempDir;
using zemo::test::Town;

namespace fs = std::filesystem;

namespace {

// The main window as plain members; lines are kept in UTF-8.
struct FakeWindow : RunWindow {
    std::vector<std::string> lines;
    std::vector<std::string> questions, stops;
    bool answer = false;
    bool running = false;
    int progress = -1;
    std::vector<int> progress_seen;
    RunSession* session = nullptr;
    int stop_at = -1;  // percent at which "Zastavit" is pressed

    void clear_messages() override { lines.clear(); }
    void append_message(std::string_view line) override { lines.push_back(cp1250_to_utf8(std::string(line))); }
    void set_progress(int percent) override {
        progress = percent;
        progress_seen.push_back(percent);
    }
    void set_running(bool on) override { running = on; }
    void process_events() override {
        if (session && stop_at >= 0 && progress >= stop_at) session->stop = true;
    }
    bool ask_yes_no(const std::string& text) override {
        questions.push_back(cp1250_to_utf8(text));
        return answer;
    }
    void show_stop(const std::string& text) override { stops.push_back(cp1250_to_utf8(text)); }

    long count(const std::string& line) const { return std::count(lines.begin(), lines.end(), line); }
    // Position of the first line equal to line, -1 when none.
    long find(const std::string& line) const {
        const auto it = std::find(lines.begin(), lines.end(), line);
        return it == lines.end() ? -1 : it - lines.begin();
    }
};

// The staged installation with a log directory of this test process's own:
// a desktop run writes its log below the installation, and the tests that
// ctest runs side by side would otherwise write one log file at once.
const std::string& staged_root_with_own_log() {
    static const TempDir dir;
    static const std::string root = [] {
        for (const auto& e : fs::directory_iterator(test::staged_native()))
            if (e.path().filename() != "log") fs::create_directory_symlink(e.path(), dir.path() / e.path().filename());
        fs::create_directory(dir.native("log"));
        return dir.str() + "/";
    }();
    return root;
}

Preferences staged_preferences() {
    Preferences prefs = default_preferences("/tmp");
    prefs.root_dir = staged_root_with_own_log();
    prefs.priority = 0;
    prefs.log_level = 1;
    return prefs;
}

FormPollutant pollutant(const char* indicative, int type) {
    FormPollutant p;
    p.indicative = indicative;
    p.type = type;
    p.limit1 = 200;
    p.name = indicative;
    return p;
}

ScreenToCfg form_of(const ProjectForm& form) {
    return [form](ProjectForm& out) {
        out = form;
        return true;
    };
}

ProjectForm read_form(const std::string& path) {
    ProjectForm form;
    std::string error;
    EXPECT_TRUE(read_project_form(path, form, error)) << error;
    return form;
}

// The main window's dialogs for a save under a name given beforehand.
struct ScriptedSaveName : MainDialogs {
    std::string name;
    explicit ScriptedSaveName(std::string n) : name(std::move(n)) {}
    Answer ask_save_changes(const std::string&) override { return Answer::Cancel; }
    bool ask_yes_no(const std::string&) override { return false; }
    std::optional<std::string> choose_save_name(const std::string&) override { return name; }
    std::optional<std::string> choose_open_name() override { return std::nullopt; }
    void show_message(const std::string&) override {}
};

std::vector<std::string> files_in(const fs::path& dir) { return test::file_names_in(dir); }

struct DesktopRun : ::testing::Test {
    fs::path cwd = fs::current_path();
    TempDir temp;
    void TearDown() override { fs::current_path(cwd); }
};

}  // namespace

TEST_F(DesktopRun, PreparationMakesEveryCheckAndNamesTheMissingOutputDirectoryTwice) {
    ProjectForm form;
    form.point_files[1] = "body.txt";
    form.projection = FormProjection::Other;
    form.rotation = "12x";
    form.pollutants = {pollutant("NO2", 5), pollutant("NOX", 4), pollutant("N2", 5)};
    form.wind_roses = "ruzice.txt";
    FakeWindow window;
    RunSession session;
    zemo::Run run;
    const int status = prepare_run(form, staged_preferences(), RunPlaces{temp.str(), temp.str()}, window, session, run);
    EXPECT_EQ(status, -100);
    const std::vector<std::string> expected = {
        "*** Nezadaný výstupní adresář",
        "*** Chybný znak v definici otočení projekce",
        "*** Nelze najednou počítat vícekrát koncentrace NO2",
        "*** Nejsou zadané žádné soubory se zdroji",
        "*** Nezadaný výstupní adresář",
    };
    EXPECT_EQ(window.lines, expected);
    EXPECT_EQ(window.stops, std::vector<std::string>{"CHYBNÉ ÚDAJE\nVýpočet nelze zahájit!"});
    EXPECT_TRUE(window.questions.empty());
    // The form's second reference-point file is the only one handed over.
    ASSERT_EQ(run.project().grid_files.size(), 1u);
    EXPECT_EQ(run.project().grid_files[0].path, "body.txt");
    EXPECT_EQ(run.project().no2_count, 2);
}

TEST_F(DesktopRun, AnOwnLogFileNamesTheMissingOutputDirectoryOnceAndTheEmptyFormFailsEveryCheck) {
    Preferences prefs = staged_preferences();
    prefs.log_file = temp.file("vlastni.log");
    FakeWindow window;
    RunSession session;
    zemo::Run run;
    EXPECT_EQ(prepare_run(ProjectForm{}, prefs, RunPlaces{temp.str(), temp.str()}, window, session, run), -100);
    const std::vector<std::string> expected = {
        "*** Není zadán žádný soubor s referenčními body", "*** Nezadaná projekce",
        "*** Celkový počet látek ve výpočtu je 0",         "*** Nejsou zadané žádné soubory se zdroji",
        "*** Nezadaný soubor s větrnými růžcemi",          "*** Nezadaný výstupní adresář",
    };
    EXPECT_EQ(window.lines, expected);
    EXPECT_TRUE(fs::exists(temp.native("vlastni.log")));
    EXPECT_EQ(session.log_state, LogState::InProgress);
}

TEST_F(DesktopRun, ALogThatCannotBeCreatedAsksForTheFallbackInTheTemporaryDirectory) {
    Town town("TYP=STANDARDNI\nFORMAT=TXT\nADRESAR=vysledky\n");
    fs::create_directory(town.dir.native("vysledky"));
    Preferences prefs = staged_preferences();
    prefs.log_file = town.dir.file("chybi/beh.log");
    const std::string reason = "Soubor nelze vytvořit - [ " + cp1250_to_utf8(prefs.log_file) + " ] (" +
                               cp1250_to_utf8(prefs.log_file) + ": soubor nebo adresář neexistuje)";
    RunPlaces places{town.dir.str(), temp.str()};
    // The fallback the question names: "[<temp>/mZemo-XXXXXX.log]?".
    const auto asked_fallback = [&](const std::string& question) {
        const std::string prefix = reason + "\n\nPoužít soubor [";
        EXPECT_EQ(question.rfind(prefix, 0), 0u) << question;
        const std::string path = question.substr(prefix.size(), question.size() - prefix.size() - 2);
        EXPECT_EQ(question.substr(question.size() - 2), "]?");
        EXPECT_EQ(path.rfind(temp.utf8() + "/mZemo-", 0), 0u) << path;
        EXPECT_EQ(path.size(), temp.utf8().size() + std::string("/mZemo-123456.log").size()) << path;
        return utf8_to_cp1250(path);
    };

    FakeWindow declined;
    RunSession session;
    EXPECT_EQ(run_model(form_of(read_form(town.dir.file("town.atm"))), prefs, places, declined, session), -100);
    ASSERT_EQ(declined.questions.size(), 1u);
    asked_fallback(declined.questions[0]);
    EXPECT_EQ(declined.lines, (std::vector<std::string>{"+++ " + reason, "VÝPOČET NELZE ZAHÁJIT!"}));
    EXPECT_FALSE(declined.running);
    EXPECT_EQ(session.log_state, LogState::NoRunYet);
    EXPECT_EQ(cwd, fs::current_path());
    // The declined file is not left behind.
    EXPECT_TRUE(fs::is_empty(temp.path()));

    FakeWindow accepted;
    accepted.answer = true;
    EXPECT_EQ(run_model(form_of(read_form(town.dir.file("town.atm"))), prefs, places, accepted, session), 0);
    EXPECT_EQ(accepted.lines.back(), "Výpočet ukončen...o.k.");
    ASSERT_EQ(accepted.questions.size(), 1u);
    const std::string fallback = asked_fallback(accepted.questions[0]);
    EXPECT_NE(cp1250_to_utf8(read_file(fallback)).find("VÝPOČET UKONČEN... O.K."), std::string::npos);
    // An own log file is not copied.
    EXPECT_EQ(session.log_state, LogState::Available);
    EXPECT_EQ(log_to_show(session).path, fallback);
}

TEST_F(DesktopRun, AStopTakesEffectAtTheNextPointAndTheRunIsNotCompleted) {
    Town town("TYP=STANDARDNI\nFORMAT=TXT\nADRESAR=vysledky\n");
    fs::create_directory(town.dir.native("vysledky"));
    {
        FakeWindow complete;
        RunSession first;
        ASSERT_EQ(run_model(form_of(read_form(town.dir.file("town.atm"))), staged_preferences(),
                            RunPlaces{town.dir.str(), temp.str()}, complete, first),
                  0);
    }
    std::map<std::string, std::string> previous;
    for (const std::string& name : files_in(town.dir.native("vysledky")))
        previous[name] = read_file(town.dir.file("vysledky/" + name));
    ASSERT_EQ(previous.size(), 6u);  // five tables and the log's copy
    FakeWindow window;
    RunSession session;
    window.session = &session;
    window.stop_at = 50;  // pressed once half of the four points are done
    session.stop = true;  // a press before the run is forgotten
    EXPECT_EQ(run_model(form_of(read_form(town.dir.file("town.atm"))), staged_preferences(),
                        RunPlaces{town.dir.str(), temp.str()}, window, session),
              -100);
    EXPECT_EQ(window.progress_seen, (std::vector<int>{0, 0, 25, 50}));
    const long stop = window.find("+++ Výpočet přerušen uživatelem!");
    ASSERT_GE(stop, 0);
    EXPECT_EQ(window.lines.back(), "VÝPOČET NEBYL DOKONČEN!");
    EXPECT_EQ(stop + 2, static_cast<long>(window.lines.size()));
    EXPECT_EQ(window.lines[stop - 1], "Výpočet...");
    EXPECT_FALSE(window.running);
    // The results of the complete run and their log copy stay as they
    // were; the stopped run's own log says where it stopped.
    std::map<std::string, std::string> after;
    for (const std::string& name : files_in(town.dir.native("vysledky")))
        after[name] = read_file(town.dir.file("vysledky/" + name));
    EXPECT_TRUE(after == previous);
    const std::string log = cp1250_to_utf8(read_file(session.log_path));
    EXPECT_NE(log.find("Výpočet přerušen uživatelem!\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nVÝPOČET UKONČEN...\r\n"), std::string::npos) << log;
}

// A desktop run checks its files like the console program: a basic table
// that would replace the receptor table refuses the run and leaves it.
TEST_F(DesktopRun, AResultTableOverAnInputIsRefused) {
    Town town("TYP=ZAKLADNI\nFORMAT=TXT\nADRESAR=.\nZAKLADNI=body\n");
    FakeWindow window;
    RunSession session;
    EXPECT_EQ(run_model(form_of(read_form(town.dir.file("town.atm"))), staged_preferences(),
                        RunPlaces{town.dir.str(), temp.str()}, window, session),
              -100);
    EXPECT_EQ(window.lines.back(), "VÝPOČET NEBYL DOKONČEN!");
    EXPECT_GE(window.find("*** soubor nelze vytvořit: základní tabulka výsledků [./body.txt] a tabulka referenčních "
                          "bodů [body.txt] jsou tentýž soubor"),
              0)
        << window.lines.back();
    town.expect_inputs_intact();
}

TEST_F(DesktopRun, TwoRunsFromOneFormGiveTheSameResultFiles) {
    Town town("TYP=ROZSIRENY\nFORMAT=DBF\nADRESAR=vysledky\n");
    fs::create_directory(town.dir.native("vysledky"));
    const ProjectForm form = read_form(town.dir.file("town.atm"));
    RunSession session;
    std::vector<std::vector<std::string>> runs;
    for (int i = 0; i < 2; ++i) {
        FakeWindow window;
        // The window shows the run's lines; nothing goes to a console.
        testing::internal::CaptureStdout();
        const int status =
            run_model(form_of(form), staged_preferences(), RunPlaces{town.dir.str(), temp.str()}, window, session);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_EQ(status, 0);
        EXPECT_EQ(window.progress, 100);
        const long loaded = window.find("         ...o.k.");
        ASSERT_GT(loaded, 1) << window.lines.back();
        EXPECT_EQ(window.lines[1], "Načtení vstupních dat...");
        EXPECT_EQ(window.lines[loaded + 1], "Výpočet...");
        std::vector<std::string> bytes;
        for (const std::string& name : files_in(town.dir.native("vysledky")))
            if (name != "zemo.log") bytes.push_back(read_file(town.dir.file("vysledky/" + name)));
        runs.push_back(bytes);
        fs::remove_all(town.dir.native("vysledky"));
        fs::create_directory(town.dir.native("vysledky"));
    }
    EXPECT_EQ(runs[0].size(), 6u);
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(session.log_state, LogState::CopyAvailable);
    std::string copy("vysledky");
    copy.push_back(platform::kDirSeparator);
    EXPECT_EQ(log_to_show(session).path, copy.append("zemo.log"));
}

TEST_F(DesktopRun, TheExampleProjectGivesTheBytesOfTheConsoleProgram) {
    TempDir console, desktop;
    for (const TempDir* dir : {&console, &desktop}) {
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / "examples/town", dir->path(), fs::copy_options::recursive);
        fs::remove_all(dir->native("vysledky"));
        fs::create_directory(dir->native("vysledky"));
    }
    ASSERT_EQ(test::run_zemo("-a -c -d '" + console.str() + "' -i town.atm", console.str()).exit_code, 0);
    // The whole way of the desktop program: the shipped catalogue, the
    // project file as shipped (CR LF, code page 1250) opened into the main
    // window's fields with its pollutants found in the catalogue by name,
    // and the run taking the fields.
    PollutantCatalogue catalogue;
    ASSERT_EQ(load_catalogue(catalogue, test::staged_file() + "/"), "");
    Preferences prefs = staged_preferences();
    MainForm main(catalogue, prefs, prefs.root_dir, ',');
    const MainReply opened = main.open_file(desktop.file("town.atm"));
    ASSERT_TRUE(opened.message.empty()) << opened.message;
    ASSERT_EQ(main.state().chosen.size(), 4u);
    FakeWindow window;
    RunSession session;
    const ScreenToCfg fields = [&main](ProjectForm& form) { return !main.ScreenToCfg(form).message.size(); };
    ASSERT_EQ(run_model(fields, prefs, RunPlaces{desktop.str(), temp.str()}, window, session), 0)
        << window.lines.back();
    std::vector<std::string> names = files_in(console.native("vysledky"));
    names.erase(std::remove(names.begin(), names.end(), "town.log"), names.end());
    std::vector<std::string> desktop_names = files_in(desktop.native("vysledky"));
    desktop_names.erase(std::remove(desktop_names.begin(), desktop_names.end(), "zemo.log"), desktop_names.end());
    ASSERT_EQ(names, desktop_names);
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names)
        EXPECT_EQ(read_file(console.file("vysledky/" + name)), read_file(desktop.file("vysledky/" + name))) << name;
}

namespace {
struct Check {
    CheckedFile kind;
    const char* heading;
    const char* count;  // the count line of the good file, "" for none
    const char* failure;
};
}  // namespace

TEST_F(DesktopRun, EachFileTestReportsTheCountOfAGoodFileAndRefusesABadOne) {
    Town town("TYP=STANDARDNI\nFORMAT=TXT\nADRESAR=vysledky\n");
    town.add("transfery.txt", "0\t1\t2\t3\n", "\n");
    town.add("spatne.txt", "R1\tx\n", "\n");
    ProjectForm good = read_form(town.dir.file("town.atm"));
    good.line_sources = good.point_sources;  // the point table read as lines is refused
    good.transfers = "transfery.txt";
    const Check checks[] = {
        {CheckedFile::Points1, "Kontrola 1. souboru s referenčními body [body.txt]...",
         "Počet referenčních bodů v souboru: 4", "Neexistující nebo chybný soubor s referenčními body"},
        {CheckedFile::PointSources, "Kontrola souboru s bodovými zdroji [bodove.txt]...",
         "Počet bodových zdrojů v souboru: 3", "Neexistující nebo chybný soubor se zdroji"},
        {CheckedFile::WindRoses, "Kontrola souboru s větrnými růžicemi [ruzice.txt]...", "",
         "Neexistující nebo chybný soubor s větrnými růžicemi"},
    };
    for (const Check& c : checks) {
        FakeWindow window;
        EXPECT_TRUE(check_data(form_of(good), c.kind, RunPlaces{town.dir.str(), temp.str()}, window)) << c.heading;
        ASSERT_GE(window.lines.size(), 4u);
        EXPECT_EQ(window.lines[0], c.heading);
        EXPECT_EQ(window.lines[1].rfind("Datum souboru: ", 0), 0u) << window.lines[1];
        EXPECT_EQ(window.lines[1].size(), 15u + 17u);
        if (*c.count) {
            EXPECT_EQ(window.lines[window.lines.size() - 3], c.count);
        }
        EXPECT_EQ(window.lines[window.lines.size() - 2], "Kontrola souboru ukončena - o.k.");
        EXPECT_EQ(window.lines.back(), " ");
        EXPECT_TRUE(window.stops.empty());

        ProjectForm bad = good;
        bad.point_files[0] = "spatne.txt";
        bad.point_sources = "spatne.txt";
        bad.wind_roses = "chybi.txt";
        FakeWindow refused;
        EXPECT_FALSE(check_data(form_of(bad), c.kind, RunPlaces{town.dir.str(), temp.str()}, refused)) << c.heading;
        EXPECT_EQ(refused.stops, std::vector<std::string>{c.failure});
    }
    // A missing wind-rose file has no date and no fatal line.
    FakeWindow missing;
    ProjectForm bad = good;
    bad.wind_roses = "chybi.txt";
    EXPECT_FALSE(check_data(form_of(bad), CheckedFile::WindRoses, RunPlaces{town.dir.str(), temp.str()}, missing));
    EXPECT_EQ(missing.lines, std::vector<std::string>{"Kontrola souboru s větrnými růžicemi [chybi.txt]..."});
    // Nothing of a test reaches a log file.
    EXPECT_FALSE(fs::exists(town.dir.native("zemo.log")));
    EXPECT_EQ(cwd, fs::current_path());
}

// The project file the desktop program writes runs in the console program
// exactly as the same project written by hand.
TEST_F(DesktopRun, TheDesktopWritersFileRunsInTheConsoleLikeTheHandWrittenOne) {
    Town hand("TYP=ROZSIRENY\nFORMAT=DBF\nADRESAR=vysledky\nZAKLADNI=zaklad\n",
              "ORG=ORG, 5, 2, 12.5, Organicka latka\n");
    Town written("TYP=ROZSIRENY\nFORMAT=DBF\nADRESAR=vysledky\nZAKLADNI=zaklad\n",
                 "ORG=ORG, 5, 2, 12.5, Organicka latka\n");
    ASSERT_TRUE(write_project_form(written.dir.file("town.atm"), read_form(hand.dir.file("town.atm"))));
    EXPECT_NE(read_file(written.dir.file("town.atm")), read_file(hand.dir.file("town.atm")));  // its own form
    for (const Town* t : {&hand, &written}) {
        fs::create_directory(t->dir.native("vysledky"));
        ASSERT_EQ(test::run_zemo("-a -c -d '" + t->dir.str() + "' -i town.atm -l beh.log", t->dir.str()).exit_code, 0)
            << t->log();
    }
    const std::vector<std::string> names = files_in(hand.dir.native("vysledky"));
    ASSERT_EQ(names, files_in(written.dir.native("vysledky")));
    ASSERT_EQ(names.size(), 6u);
    for (const std::string& name : names)
        EXPECT_EQ(read_file(hand.dir.file("vysledky/" + name)), read_file(written.dir.file("vysledky/" + name)))
            << name;
}

namespace {

const fs::path kEveryKind = fs::path(ZEMO_SOURCE_DIR) / "tests" / "fixtures" / "projects" / "every-kind";

// A copy of the staged installation, without its model settings file when
// settings is false; a settings store for the console program names it.
struct Installation {
    TempDir dir;
    explicit Installation(bool settings) {
        fs::copy(test::staged_native(), dir.native("root"), fs::copy_options::recursive);
        if (!settings) fs::remove(dir.native("root/etc/zemo.cfg"));
        fs::create_directories(dir.native("xdg/ZEMO"));
        test::write_file(dir.file("xdg/ZEMO/Model ZEMO.conf"), "[1.0]\nRootDir=" + dir.utf8("root") + "\n");
    }
    std::string root() const { return dir.file("root") + "/"; }
    std::string console_env() const { return "XDG_CONFIG_DIRS='" + dir.file("xdg") + "'"; }
};

// The every-kind scene in a directory of its own with an empty "vysledky",
// the project file project with its pollutant lines replaced when
// pollutants is not empty (and then without background values).
struct Scene {
    TempDir dir;
    Scene(const std::string& project, const std::string& pollutants = {}) {
        for (const auto& e : fs::directory_iterator(kEveryKind))
            if (e.is_regular_file()) fs::copy_file(e.path(), dir.path() / e.path().filename());
        fs::create_directory(dir.native("vysledky"));
        if (pollutants.empty()) return;
        std::string text = read_file(dir.file(project));
        const std::size_t from = text.find("[ZNECISTUJICI LATKY]");
        const std::size_t to = text.find("[ZDROJE]");
        text = text.substr(0, from) + "[ZNECISTUJICI LATKY]\r\n" + test::cp(pollutants) + "\r\n" + text.substr(to);
        const std::size_t pozadi = text.find("POZADI=");
        if (pozadi != std::string::npos) text.erase(pozadi, text.find('\n', pozadi) + 1 - pozadi);
        test::write_file(dir.file(project), text);
    }
};

// Runs project of scene with the console program and, in a copy, through
// the desktop program's reader and run, both with installation; expects
// both to complete and to write the same result files.
void expect_console_and_desktop_agree(const Scene& scene, const std::string& project, const Installation& inst,
                                      const std::string& temp) {
    SCOPED_TRACE(project);
    TempDir copy;
    fs::copy(scene.dir.path(), copy.path(), fs::copy_options::recursive);
    const auto console = test::run_zemo("-a -c -i " + project + " -l '" + scene.dir.file("konzole.log") + "'",
                                        scene.dir.str(), inst.console_env());
    ASSERT_EQ(console.exit_code, 0) << console.output << cp1250_to_utf8(read_file(scene.dir.file("konzole.log")));

    ProjectForm form;
    std::string error;
    ASSERT_TRUE(read_project_form(copy.file(project), form, error)) << cp1250_to_utf8(error);
    Preferences prefs = staged_preferences();
    prefs.root_dir = inst.root();
    FakeWindow window;
    RunSession session;
    ASSERT_EQ(run_model(form_of(form), prefs, RunPlaces{copy.str(), temp}, window, session), 0)
        << (window.lines.empty() ? std::string() : window.lines.back());
    EXPECT_EQ(window.lines.back(), "Výpočet ukončen...o.k.");

    std::vector<std::string> names = files_in(scene.dir.native("vysledky"));
    std::vector<std::string> desktop_names = files_in(copy.native("vysledky"));
    desktop_names.erase(std::remove(desktop_names.begin(), desktop_names.end(), "zemo.log"), desktop_names.end());
    ASSERT_EQ(names, desktop_names);
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names)
        EXPECT_EQ(read_file(scene.dir.file("vysledky/" + name)), read_file(copy.file("vysledky/" + name))) << name;
}

}  // namespace

// Projects of every kind read through the desktop program's reader and run
// give the console program's result bytes for the same project file: the
// every-kind projects, one of them without a model settings file (both
// programs report it and take the defaults), and a pollutant of one limit
// made in the window.
TEST_F(DesktopRun, ProjectsOfEveryKindGiveTheConsoleProgramsFiles) {
    const Installation shipped(true);
    for (const char* project : {"every-kind-a.atm", "every-kind-a-dbf.atm", "every-kind-b.atm"}) {
        Scene scene(project);
        expect_console_and_desktop_agree(scene, project, shipped, temp.str());
    }
    const Installation without_settings(false);
    Scene scene("every-kind-a.atm");
    expect_console_and_desktop_agree(scene, "every-kind-a.atm", without_settings, temp.str());

    // One limit for every pollutant of B but the first, made in the window:
    // the second limit emptied is written as -1, which the console reads as
    // one limit.
    Scene one("every-kind-b.atm");
    PollutantCatalogue catalogue;
    ProjectForm form;
    std::string error;
    ASSERT_TRUE(read_project_form(one.dir.file("every-kind-b.atm"), form, error)) << error;
    for (const FormPollutant& p : form.pollutants) {
        CatalogueEntry e;
        e.indicative = p.indicative;
        e.type = p.type;
        e.name = p.name;
        e.limit1 = p.limit1;
        e.limit2 = 7.5;
        e.half_life = p.half_life;
        catalogue.entries.push_back(e);
    }
    Preferences prefs = staged_preferences();
    MainForm main(catalogue, prefs, prefs.root_dir, ',');
    ASSERT_EQ(main.open_file(one.dir.file("every-kind-b.atm")).message, "");
    for (int k = 0; k < static_cast<int>(form.pollutants.size()); ++k) {
        main.select_chosen(k);
        main.state().pol_limit2 = k == 0 ? "7,5" : "";
        ASSERT_TRUE(main.leave_field(MainControl::PolLimit2, MainControl::None).ok);
    }
    ScriptedSaveName dialogs(one.dir.file("every-kind-b.atm"));
    ASSERT_TRUE(main.save(dialogs, MainControl::None).ok);
    const std::string written = read_file(one.dir.file("every-kind-b.atm"));
    EXPECT_NE(written.find("NOX=NOX, 40.000000, 7.500000, "), std::string::npos) << written;
    EXPECT_NE(written.find("TSP=TSP, 100.000000, -1.000000, "), std::string::npos) << written;
    expect_console_and_desktop_agree(one, "every-kind-b.atm", shipped, temp.str());
}

// The catalogue's substances whose limits lie below 1 (benzo(a)pyrene,
// lead, arsenic, cadmium, nickel) computed in both programs.
TEST_F(DesktopRun, TheCataloguesSubstancesBelowOneGiveTheConsoleProgramsFiles) {
    const Installation shipped(true);
    Scene scene("every-kind-a.atm",
                "BAP=ORG, 0.001, 0.0006, 48, Benzo(a)pyren\nPB=PM10, 0.5, 0.35, Olovo\n"
                "AS=PM10, 0.006, 0.0036, Arsen\nCD=PM10, 0.005, 0.003, Kadmium\nNI=PM10, 0.02, 0.014, Nikl\n"
                "SO2=SO2, 350, 125, Oxid siřičitý\n");
    expect_console_and_desktop_agree(scene, "every-kind-a.atm", shipped, temp.str());
}

// A missing model settings file is reported and the defaults are taken, in
// the desktop program as in the console: the run completes.
TEST_F(DesktopRun, AMissingModelSettingsFileIsReportedAndTheRunCompletes) {
    const Installation without_settings(false);
    Town town("TYP=STANDARDNI\nFORMAT=TXT\nADRESAR=vysledky\n");
    fs::create_directory(town.dir.native("vysledky"));
    Preferences prefs = staged_preferences();
    prefs.root_dir = without_settings.root();
    FakeWindow window;
    RunSession session;
    EXPECT_EQ(run_model(form_of(read_form(town.dir.file("town.atm"))), prefs, RunPlaces{town.dir.str(), temp.str()},
                        window, session),
              0);
    EXPECT_EQ(window.lines.back(), "Výpočet ukončen...o.k.");
    EXPECT_EQ(window.count("VÝPOČET NEBYL DOKONČEN!"), 0);
    const std::string log = cp1250_to_utf8(read_file(town.dir.file("vysledky/zemo.log")));
    EXPECT_NE(log.find("Používám default hodnoty"), std::string::npos) << log;
}

// A copy of the log that cannot be created is not called incomplete.
TEST_F(DesktopRun, ALogCopyThatCannotBeCreatedIsReportedSo) {
    Town town("TYP=ZAKLADNI\nFORMAT=TXT\nADRESAR=vysledky\n");
    fs::create_directories(town.dir.native("vysledky/zemo.log"));  // a directory where the copy would go
    FakeWindow window;
    RunSession session;
    testing::internal::CaptureStdout();
    run_model(form_of(read_form(town.dir.file("town.atm"))), staged_preferences(),
              RunPlaces{town.dir.str(), temp.str()}, window, session);
    const std::string console = testing::internal::GetCapturedStdout();
    std::string copy("vysledky");
    copy.push_back(platform::kDirSeparator);
    copy += "zemo.log";
    // The console's line without diacritics gives the reason on a line of
    // its own.
    EXPECT_NE(console.find(test::console_text("+++ Kopii protokolu nelze nahradit - [ " + copy + " ]\n+++   duvod: ")),
              std::string::npos)
        << console;
    // Its temporary copy is written, and cannot take the directory's name
    // (the system's reason follows in brackets).
    const std::string refused = "+++ kopii protokolu nelze nahradit: " + copy + " (";
    EXPECT_EQ(std::count_if(window.lines.begin(), window.lines.end(),
                            [&](const std::string& line) { return line.rfind(refused, 0) == 0; }),
              1)
        << ::testing::PrintToString(window.lines);
    EXPECT_EQ(window.lines.back(), "VÝPOČET NEBYL DOKONČEN!");
    for (const std::string& line : window.lines) EXPECT_EQ(line.find("zápis kopie protokolu"), std::string::npos);
}

// Two windows' runs at once each keep a log of their own; an installation
// whose log directory takes no file logs into the user's own directory
// without a question.
TEST_F(DesktopRun, EachRunHasALogOfItsOwn) {
    Town town("TYP=ZAKLADNI\nFORMAT=TXT\nADRESAR=vysledky\n");
    fs::create_directory(town.dir.native("vysledky"));
    const RunPlaces places{town.dir.str(), temp.str()};
    {
        Preferences prefs = staged_preferences();
        const std::string log_dir = prefs.root_dir + "log/";
        platform::FileLock other_window;  // another window's run holds mZemo.log
        ASSERT_EQ(other_window.acquire(log_dir + "mZemo.log"), platform::FileLock::Result::Acquired);
        FakeWindow window;
        RunSession session;
        EXPECT_EQ(run_model(form_of(read_form(town.dir.file("town.atm"))), prefs, places, window, session), 0);
        EXPECT_EQ(session.log_path, log_dir + "mZemo-2.log");
        EXPECT_TRUE(window.questions.empty());
        EXPECT_EQ(read_file(town.dir.file("vysledky/zemo.log")), read_file(session.log_path));
        EXPECT_EQ(read_file(log_dir + "mZemo.log"), "");
    }
    TempDir root;
    for (const auto& e : fs::directory_iterator(test::staged_native()))
        if (e.path().filename() != "log") fs::create_directory_symlink(e.path(), root.path() / e.path().filename());
    test::write_file(root.file("log"), "a file where the log directory should be");
    ::setenv("XDG_STATE_HOME", temp.native("stav").c_str(), 1);  // the environment holds native names
    Preferences prefs = staged_preferences();
    prefs.root_dir = root.str() + "/";
    FakeWindow window;
    RunSession session;
    EXPECT_EQ(run_model(form_of(read_form(town.dir.file("town.atm"))), prefs, places, window, session), 0);
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(session.log_path, temp.file("stav") + "/zemo/log/mZemo.log");
    EXPECT_TRUE(window.questions.empty());
    EXPECT_NE(cp1250_to_utf8(read_file(session.log_path)).find("VÝPOČET UKONČEN... O.K."), std::string::npos);
}
