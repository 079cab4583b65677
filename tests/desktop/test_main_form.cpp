// The main window driven through its model, as a user would drive it.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "base/platform.h"
#include "desktop/logic/dialog_filter.h"
#include "desktop/logic/main_form.h"
#include "desktop/logic/project_form_file.h"
#include "tests/test_support.h"

using namespace zemo;
using namespace zemo::desktop;
using zemo::test::read_file;
using zemo::test::TempDir;
using M = MainControl;

namespace {

std::string cz(const char* utf8) { return utf8_to_cp1250(utf8); }

CatalogueEntry entry(const char* ind, int type, const char* name, double l1, double l2, double half = 0) {
    CatalogueEntry e;
    e.indicative = ind;
    e.type = type;
    e.name = cz(name);
    e.limit1 = l1;
    e.limit2 = l2;
    e.half_life = half;
    return e;
}

// Answers prepared by the test; every question asked is recorded.
struct ScriptedDialogs : MainDialogs {
    std::deque<Answer> save_answers;
    std::deque<bool> yes_no;
    std::deque<std::optional<std::string>> save_names, open_names;
    std::vector<std::string> asked, messages;

    template <class T>
    static T next(std::deque<T>& answers) {
        T a = answers.front();
        answers.pop_front();
        return a;
    }
    Answer ask_save_changes(const std::string& text) override { return asked.push_back(text), next(save_answers); }
    bool ask_yes_no(const std::string& text) override { return asked.push_back(text), next(yes_no); }
    std::optional<std::string> choose_save_name(const std::string&) override { return next(save_names); }
    std::optional<std::string> choose_open_name() override { return next(open_names); }
    void show_message(const std::string& text) override { messages.push_back(text); }
};

// A main window over a three-entry catalogue, with "," as decimal separator.
struct Window {
    TempDir dir;
    PollutantCatalogue catalogue;
    Preferences prefs = default_preferences("/home/u");
    MainForm form;
    ScriptedDialogs dialogs;

    explicit Window(char separator = ',')
        : catalogue{{entry("SO2", 1, "Oxid siřičitý", 350, 125), entry("BAP", 7, "Benzo(a)pyren", 0.001, 0.0006, 48),
                     entry("NO2", 5, "Oxid dusičitý", 200, 40)},
                    {}},
          form(catalogue, prefs, "/inst/", separator) {}

    // Adds the catalogue entry named utf8_name.
    MainReply add(const char* utf8_name) {
        const auto& names = form.catalogue_names();
        for (std::size_t r = 0; r < names.size(); ++r) {
            if (names[r] == cz(utf8_name)) form.select_catalogue(static_cast<int>(r));
        }
        return form.add_pollutant();
    }
    MainReply type_into(M field, const char* text, M next = M::None) {
        std::string value(text);
        switch (field) {
            case M::PolUsr: form.state().pol_usr = value; break;
            case M::PolLimit1: form.state().pol_limit1 = value; break;
            case M::PolLimit2: form.state().pol_limit2 = value; break;
            case M::PolRem: form.state().pol_rem = value; break;
            case M::Rotation: form.state().rotation = value; break;
            case M::Lim: form.state().share_limit = value; break;
            default: form.state().background[static_cast<int>(field) - static_cast<int>(M::Back1)] = value;
        }
        return form.leave_field(field, next);
    }
    std::string path(const char* name) const { return dir.file(name); }
};

}  // namespace

TEST(MainFormStart, EmptyWindowCaptionAndTexts) {
    Window w;
    EXPECT_EQ(w.form.caption(), cz("[Nepojmenovaný] - Zemo"));
    EXPECT_FALSE(w.form.modified());
    EXPECT_EQ(w.form.project_directory(), "/inst/");
    EXPECT_EQ(w.form.enabled(), MainEnabled{});
    EXPECT_EQ(start_line("1.0.0.0"), "Model ZEMO, verze 1.0.0.0");
    EXPECT_EQ(log_state_text(false, false), cz("Dosud nebyl proveden žádný výpočet!"));
    EXPECT_EQ(log_state_text(true, true), cz("Probíhá výpočet!"));
    EXPECT_EQ(log_state_text(true, false), "");
}

TEST(MainFormEnabling, FileRowsOptionsAndOutputLevels) {
    Window w;
    auto& s = w.form.state();
    s.point_files[1] = "b.txt";
    w.form.changed();
    EXPECT_TRUE(w.form.modified());
    EXPECT_FALSE(w.form.enabled().point_file2);  // file 1 empty
    EXPECT_FALSE(w.form.enabled().point_test[1]);
    s.point_files[0] = "a.txt";
    w.form.changed();
    EXPECT_TRUE(w.form.enabled().point_file2);
    EXPECT_TRUE(w.form.enabled().point_file3);
    EXPECT_TRUE(w.form.enabled().point_test[1]);

    s.point_sources = "p.txt";
    w.form.changed();
    EXPECT_FALSE(w.form.enabled().source_test[0]);  // no pollutant yet
    w.add("Oxid siřičitý");
    EXPECT_TRUE(w.form.enabled().source_test[0]);
    EXPECT_FALSE(w.form.enabled().source_test[1]);

    s.projection = FormProjection::Other;
    s.output_type = kOutputStandard;
    w.form.changed();
    EXPECT_TRUE(w.form.enabled().rotation);
    EXPECT_EQ(w.form.enabled().out_names, (std::array<bool, 6>{true, true, true, true, true, false}));
    s.output_type = kOutputBasic;
    w.form.changed();
    EXPECT_EQ(w.form.enabled().out_names, (std::array<bool, 6>{true, false, false, false, false, false}));
}

TEST(MainFormPollutants, AddUpToSixWithBackgroundFieldsAndHints) {
    Window w;
    w.form.state().addition = FormAddition::Background;
    w.form.changed();
    EXPECT_FALSE(w.form.enabled().background[0]);
    for (int k = 0; k < 6; ++k) {
        ASSERT_TRUE(w.add(k % 2 ? "Benzo(a)pyren" : "Oxid siřičitý").ok);  // an entry may come twice
        EXPECT_TRUE(w.form.enabled().background[k]);
        EXPECT_EQ(w.form.state().chosen_selected, k);
    }
    EXPECT_EQ(w.form.enabled().background_hint[0], cz("Oxid siřičitý (SO2)"));
    EXPECT_EQ(w.form.enabled().background_hint[1], "Benzo(a)pyren (BAP)");
    // The last added (BAP, ORG) is shown with its half-life enabled.
    EXPECT_EQ(w.form.state().pol_usr, "BAP");
    EXPECT_EQ(w.form.state().pol_limit1, "0,001");
    EXPECT_EQ(w.form.state().pol_rem, "48");
    EXPECT_TRUE(w.form.enabled().half_life);

    const MainReply seventh = w.add("Oxid dusičitý");
    EXPECT_EQ(seventh.message, cz("Nelze přidat další látku!"));
    EXPECT_EQ(w.form.state().chosen.size(), 6u);

    // Transfers chosen: every background field off, hints gone.
    w.form.state().addition = FormAddition::Transfers;
    w.form.changed();
    EXPECT_EQ(w.form.enabled().background, (std::array<bool, 6>{}));
    EXPECT_EQ(w.form.enabled().background_hint[0], "");
}

TEST(MainFormPollutants, RemoveMovesFollowingOnesUpWithTheirBackground) {
    Window w;
    auto& s = w.form.state();
    s.addition = FormAddition::Background;
    w.add("Oxid siřičitý");
    w.add("Benzo(a)pyren");
    w.add("Oxid dusičitý");
    s.background = {"1", "2", "3", "", "", ""};
    w.form.select_chosen(1);
    EXPECT_TRUE(w.form.enabled().half_life);
    EXPECT_TRUE(w.form.remove_pollutant().ok);
    ASSERT_EQ(s.chosen.size(), 2u);
    EXPECT_EQ(s.chosen[1].indicative, "NO2");
    EXPECT_EQ(s.chosen_selected, 1);  // the same position
    EXPECT_EQ(s.pol_usr, "NO2");
    EXPECT_EQ(s.pol_rem, "");
    EXPECT_FALSE(w.form.enabled().half_life);
    EXPECT_EQ(s.background[1], "3");
    EXPECT_FALSE(w.form.enabled().background[2]);
    EXPECT_EQ(w.form.enabled().background_hint[1], cz("Oxid dusičitý (NO2)"));

    w.form.remove_pollutant();  // the last one: the new last is selected
    EXPECT_EQ(s.chosen_selected, 0);
    w.form.remove_pollutant();
    EXPECT_EQ(s.chosen_selected, -1);
    EXPECT_EQ(s.pol_usr, "");
    EXPECT_FALSE(w.form.remove_pollutant().ok);  // nothing selected
}

TEST(MainFormValidation, MessagesFocusAndStoring) {
    Window w;
    w.add("Oxid siřičitý");
    w.form.ScreenClear();  // not modified, the list emptied
    w.add("Oxid siřičitý");
    const auto refused = [](const MainReply& r, const char* msg, M focus) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, cz(msg));
        EXPECT_EQ(r.focus, focus);
        EXPECT_TRUE(r.select_text);
    };
    refused(w.type_into(M::PolLimit1, "0"), "Nepřípustná hodnota imisního limitu!", M::PolLimit1);
    refused(w.type_into(M::PolLimit2, "-3"), "Nepřípustná hodnota imisního limitu!", M::PolLimit2);
    refused(w.type_into(M::PolLimit1, "12a"), "Nepovolený znak v čísle!", M::PolLimit1);
    refused(w.type_into(M::PolLimit1, "1.5.2"), "Nepovolený znak v čísle!", M::PolLimit1);
    refused(w.type_into(M::PolUsr, "   "), "Prázdný řetězec!", M::PolUsr);
    // Characters that would split the pollutant's line or the "Pozadi=" items.
    for (const char* bad : {"A=B", "A,B", "A:B", "A B"}) {
        refused(w.type_into(M::PolUsr, bad), "Nepovolený znak v označení látky!", M::PolUsr);
    }
    refused(w.type_into(M::Rotation, "abc", M::PntFn1), "Nepovolený znak v čísle!", M::Rotation);
    refused(w.type_into(M::Back2, "x"), "Nepovolený znak v čísle!", M::Back2);
    refused(w.type_into(M::Lim, "5 %"), "Nepovolený znak v čísle!", M::Lim);
    EXPECT_EQ(w.form.state().chosen[0].limit1, 350);  // nothing refused was stored

    // Leaving for the other projection options or "Transfery" skips the check.
    EXPECT_TRUE(w.type_into(M::Rotation, "abc", M::PrjJtsk).ok);
    EXPECT_TRUE(w.type_into(M::Back2, "x", M::TrnRad).ok);

    // After a save the same value in another spelling leaves the project unmodified.
    MainForm& f = w.form;
    w.dialogs.save_names = {w.path("v")};
    ASSERT_TRUE(f.save(w.dialogs, M::None).ok);
    EXPECT_TRUE(w.type_into(M::PolLimit1, "350,0").ok);
    EXPECT_FALSE(f.modified());
    // Both decimal spellings are taken; values pass through single precision.
    EXPECT_TRUE(w.type_into(M::PolLimit1, "12.1").ok);
    EXPECT_EQ(f.state().chosen[0].limit1, static_cast<double>(12.1f));
    EXPECT_TRUE(f.modified());
    EXPECT_TRUE(w.type_into(M::PolUsr, " so2x ").ok);
    EXPECT_EQ(f.state().chosen[0].indicative, "so2x");
    EXPECT_TRUE(w.type_into(M::PolUsr, "ABCDEFG").ok);
    EXPECT_EQ(f.state().chosen[0].indicative, "ABCDE");

    // Without a selected pollutant the panel's fields are emptied, not checked.
    f.select_chosen(-1);
    EXPECT_TRUE(w.type_into(M::PolLimit1, "zz").ok);
    EXPECT_EQ(f.state().pol_limit1, "");
}

TEST(MainFormValidation, DecimalPointSystem) {
    Window w('.');
    w.add("Oxid siřičitý");
    EXPECT_TRUE(w.type_into(M::PolLimit2, "2,5").ok);
    EXPECT_EQ(w.form.state().chosen[0].limit2, 2.5);
    EXPECT_EQ(field_number_text(1.0 / 3, ','), "0,333333333333333");
}

TEST(MainFormSaveQuestion, UnmodifiedProjectAsksNothing) {
    Window w;
    EXPECT_TRUE(w.form.PrjSaveQuestion(w.dialogs));
    EXPECT_TRUE(w.dialogs.asked.empty());
}

TEST(MainFormSaveQuestion, CancelKeepsEverything) {
    Window w;
    w.form.state().wind_roses = "r.txt";
    w.form.changed();
    w.dialogs.save_answers = {Answer::Cancel};
    EXPECT_FALSE(w.form.PrjSaveQuestion(w.dialogs));
    EXPECT_EQ(w.dialogs.asked.at(0), cz("Mají se změny provedené v projektu uložit?"));
    EXPECT_EQ(w.form.state().wind_roses, "r.txt");
    EXPECT_TRUE(w.form.modified());
    // New is not carried out either.
    w.dialogs.save_answers = {Answer::Cancel};
    EXPECT_FALSE(w.form.new_project(w.dialogs).ok);
    EXPECT_EQ(w.form.state().wind_roses, "r.txt");
}

TEST(MainFormSaveQuestion, NoDiscards) {
    Window w;
    w.form.state().wind_roses = "r.txt";
    w.form.changed();
    w.dialogs.save_answers = {Answer::No};
    EXPECT_TRUE(w.form.PrjSaveQuestion(w.dialogs));
    EXPECT_EQ(w.form.state(), MainFormState{});
    EXPECT_FALSE(w.form.modified());
    EXPECT_TRUE(std::filesystem::is_empty(w.dir.path()));
}

TEST(MainFormSaveQuestion, YesSavesUnderANewNameWithExtension) {
    Window w;
    w.form.state().wind_roses = "r.txt";
    w.form.changed();
    w.dialogs.save_answers = {Answer::Yes};
    w.dialogs.save_names = {w.path("proj")};
    EXPECT_TRUE(w.form.PrjSaveQuestion(w.dialogs));
    EXPECT_NE(read_file(w.path("proj.atm")).find("Soubor=r.txt"), std::string::npos);
    EXPECT_EQ(w.form.state(), MainFormState{});

    // Cancelling the name cancels the question.
    w.form.state().wind_roses = "r.txt";
    w.form.changed();
    w.dialogs.save_answers = {Answer::Yes};
    w.dialogs.save_names = {std::nullopt};
    EXPECT_FALSE(w.form.PrjSaveQuestion(w.dialogs));
    EXPECT_EQ(w.form.state().wind_roses, "r.txt");

    // A refused mapping shows its message and cancels.
    w.form.state().projection = FormProjection::Other;
    w.form.state().rotation = "x";
    w.dialogs.save_answers = {Answer::Yes};
    w.dialogs.save_names = {w.path("bad")};
    EXPECT_FALSE(w.form.PrjSaveQuestion(w.dialogs));
    EXPECT_EQ(w.dialogs.messages.at(0), cz("Nepovolený znak v otočení projekce!\nSoubor není uložen!"));
    EXPECT_FALSE(std::filesystem::exists(w.dir.native("bad.atm")));
}

TEST(MainFormSaveQuestion, YesWithAFailedWriteAsksWhetherToCancel) {
    Window w;
    const std::string bad = w.path("missing/dir/p.atm");
    for (bool cancel : {true, false}) {
        w.form.state().wind_roses = "r.txt";
        w.form.changed();
        w.dialogs.save_answers = {Answer::Yes};
        w.dialogs.save_names = {bad};
        w.dialogs.yes_no = {cancel};
        EXPECT_EQ(w.form.PrjSaveQuestion(w.dialogs), !cancel);
        std::string question = "Soubor [";
        question += bad;
        question += cz("] nelze uložit! Zrušit příkaz?");
        EXPECT_EQ(w.dialogs.asked.back(), question);
        EXPECT_EQ(w.form.state().wind_roses, cancel ? "r.txt" : "");
    }
}

TEST(MainFormQuit, EveryWayOutAsksAndARunIsStoppedFirst) {
    for (auto source : {MainForm::QuitSource::Button, MainForm::QuitSource::Menu, MainForm::QuitSource::CloseButton}) {
        Window w;
        w.form.state().wind_roses = "r.txt";
        w.form.changed();
        // A run is stopped only when the modeller agrees.
        w.dialogs.yes_no = {false, true};
        EXPECT_EQ(w.form.request_quit(source, true, w.dialogs), MainForm::QuitStep::Stay);
        EXPECT_EQ(w.form.request_quit(source, true, w.dialogs), MainForm::QuitStep::StopRunFirst);
        EXPECT_EQ(w.dialogs.asked,
                  std::vector<std::string>(2, cz("Probíhá výpočet. Přerušit výpočet a ukončit program?")));
        w.dialogs.asked.clear();
        w.dialogs.save_answers = {Answer::Cancel, Answer::No};
        EXPECT_EQ(w.form.request_quit(source, false, w.dialogs), MainForm::QuitStep::Stay);
        EXPECT_EQ(w.form.request_quit(source, false, w.dialogs), MainForm::QuitStep::Quit);
        EXPECT_EQ(w.dialogs.asked.size(), 2u);
    }
    // Only the button stores the preferences.
    for (auto source : {MainForm::QuitSource::Button, MainForm::QuitSource::Menu}) {
        Window w;
        MemorySettingsStore user;
        user.add_group("1.0");
        w.prefs.last_path = "/data";
        w.form.request_quit(source, false, w.dialogs, &user, "1.0");
        EXPECT_EQ(user.get("1.0", "LastPath").has_value(), source == MainForm::QuitSource::Button);
    }
}

TEST(MainFormSave, NamesFocusedFieldAndFailures) {
    Window w;
    w.add("Oxid siřičitý");
    // A bad value in the focused pollutant field stops the save.
    w.form.state().pol_limit1 = "0";
    w.dialogs.save_names = {w.path("p")};
    MainReply r = w.form.save(w.dialogs, M::PolLimit1);
    EXPECT_EQ(r.message, cz("Nepřípustná hodnota imisního limitu!"));
    EXPECT_EQ(w.dialogs.save_names.size(), 1u);  // no dialog was shown

    w.form.state().pol_limit1 = "100";
    r = w.form.save(w.dialogs, M::PolLimit1);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(w.form.file_name(), w.path("p.atm"));
    EXPECT_NE(read_file(w.path("p.atm")).find("SO2=SO2, 100.000000, 125.000000"), std::string::npos);
    EXPECT_FALSE(w.form.modified());
    EXPECT_EQ(w.form.project_directory(), w.dir.str() + "/");
    std::string caption = "[";
    caption += w.path("p.atm");
    caption += "] - Zemo";
    EXPECT_EQ(w.form.caption(), caption);

    // Save as with a dotted name keeps it; a failed write is reported.
    w.dialogs.save_names = {w.path("q.v1"), w.path("no/such/x.atm")};
    EXPECT_TRUE(w.form.save_as(w.dialogs, M::None).ok);
    EXPECT_TRUE(std::filesystem::exists(w.dir.native("q.v1")));
    r = w.form.save_as(w.dialogs, M::None);
    EXPECT_FALSE(r.ok);
    std::string failed = "Soubor [";
    failed += w.path("no/such/x.atm");
    failed += cz("] nelze uložit!");
    EXPECT_EQ(r.message, failed);
    EXPECT_EQ(w.form.file_name(), w.path("q.v1"));
}

TEST(MainFormBrowse, NamesCutInTheFileNamePartOnly) {
    EXPECT_EQ(cut_extension("D:\\v1.2\\out.txt", true), "D:\\v1.2\\out");
    EXPECT_EQ(cut_extension("D:\\v1.2\\out", true), "D:\\v1.2\\out");
    EXPECT_EQ(cut_extension("a.b.txt", true), "a");
    EXPECT_EQ(cut_extension("a.b.txt", false), "a.b");
    EXPECT_EQ(cut_extension("/x.d/y", false), "/x.d/y");

    Window w;
    // No output directory: it takes the file's directory, the name is relative.
    w.form.open_out_chosen(M::OutFnBasic, "D:\\v1.2\\out.txt");
    EXPECT_EQ(w.form.state().output_directory, "D:\\v1.2");
    EXPECT_EQ(w.form.state().out_names[kOutBasic], "out");
    w.form.open_out_chosen(M::OutFnExt, "D:\\v1.2\\sub\\a.b.txt");
    EXPECT_EQ(w.form.state().out_names[kOutExtended], "sub\\a");
    // Outside the output directory (even with the same beginning) the full path stays.
    w.form.open_out_chosen(M::OutFnPsrc, "D:\\v1.2x\\z.txt");
    EXPECT_EQ(w.form.state().out_names[kOutSourceShares], "D:\\v1.2x\\z");
    EXPECT_EQ(w.form.open_out_directory(), "D:\\v1.2");
    w.form.state().output_directory.clear();
    EXPECT_EQ(w.form.open_out_directory(), "/home/u");
}

TEST(MainFormBrowse, InputFilesFiltersAndLastPath) {
    EXPECT_EQ(data_filter_index("a.TXT", 2, false), 2);
    EXPECT_EQ(data_filter_index("a.dbf", 1, true), 3);
    EXPECT_EQ(data_filter_index("D:\\v1.dbf\\r", 1, false), 3);  // the directory's extension does not count

    Window w;
    w.prefs.dialog_wind_filter = 1;
    w.form.state().wind_roses = "C:\\m\\r.dat";
    const OpenDataRequest q = w.form.open_data_request(M::RosFn);
    EXPECT_EQ(q.title, cz("Otevřít soubor s větrnou růžicí"));
    EXPECT_EQ(q.filter, cz("textové soubory (*.txt)|*.txt|formát ZEMO (*.dat)|*.dat|všechny soubory (*.*)|*.*"));
    EXPECT_EQ(q.filter_index, 2);
    EXPECT_EQ(q.directory, "/home/u");

    w.form.open_data_chosen(M::SrcFnP, "E:\\d.1\\zdroje.dbf", 2);
    EXPECT_EQ(w.form.state().point_sources, "E:\\d.1\\zdroje.dbf");
    EXPECT_EQ(w.prefs.dialog_data_filter, 2);
    EXPECT_EQ(w.prefs.dialog_wind_filter, 1);
    EXPECT_EQ(w.prefs.last_path, "E:\\d.1\\");
    EXPECT_TRUE(w.form.modified());

    EXPECT_EQ(directory_chooser_start("E:\\out", "C:\\data", true), "E:\\out");
    EXPECT_EQ(directory_chooser_start("E:\\gone", "C:\\data", false), "C:\\");
    w.form.output_directory_chosen("F:\\res");
    EXPECT_EQ(w.prefs.last_path, "F:\\res");
    EXPECT_EQ(w.form.state().output_directory, "F:\\res");
}

TEST(MainFormMapping, ScreenToCfgRulesAndRoundTripThroughTheFile) {
    Window w;
    auto& s = w.form.state();
    s.point_files = {" a.txt\t", "b.txt", "c.txt"};
    s.projection = FormProjection::Other;
    s.rotation = "12,5";
    w.add("Oxid siřičitý");
    w.add("Benzo(a)pyren");
    s.addition = FormAddition::Background;
    s.background = {"3,5", "abc", "", "", "", ""};
    s.point_sources = "p.dbf";
    s.wind_roses = "r.txt";
    s.output_type = kOutputStandard;
    s.output_format = kOutFormatTxt;
    s.share_limit = "2,5";
    s.output_directory = "out";
    s.out_names = {"vysl.txt", "ps", "pg.dbf", "smax", "savg", "ext"};
    w.form.changed();

    ProjectForm form;
    EXPECT_TRUE(w.form.ScreenToCfg(form).ok);
    EXPECT_FALSE(w.form.error());
    EXPECT_EQ(form.point_files[0], "a.txt");
    EXPECT_EQ(form.rotation, "12.5");
    EXPECT_EQ(form.background[0], 3.5);
    EXPECT_EQ(form.background[1], kNotGiven);  // letters: not given, no message
    EXPECT_EQ(form.share_limit, 2.5);
    std::string out_dir = "out";
    out_dir += zemo::platform::kDirSeparator;
    EXPECT_EQ(form.output_directory, out_dir);
    EXPECT_EQ(form.out_basic, "vysl");
    EXPECT_EQ(form.out_group_shares, "pg");
    EXPECT_EQ(form.out_extended, "");  // above the chosen level

    w.dialogs.save_names = {w.path("proj")};
    ASSERT_TRUE(w.form.save(w.dialogs, M::None).ok);
    const std::string text = read_file(w.path("proj.atm"));
    EXPECT_NE(text.find("Otoceni=12.5"), std::string::npos);
    EXPECT_NE(text.find("Pozadi=SO2:3.500000, BAP:0"), std::string::npos);

    Window back;
    EXPECT_EQ(back.form.open_file(w.path("proj")).message, "");
    EXPECT_EQ(back.form.file_name(), w.path("proj.atm"));
    EXPECT_FALSE(back.form.modified());
    const MainFormState& b = back.form.state();
    EXPECT_EQ(b.point_files, (std::array<std::string, 3>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(b.rotation, "12,5");
    EXPECT_EQ(b.chosen, s.chosen);
    EXPECT_EQ(b.background[0], "3,5");
    EXPECT_EQ(b.background[1], "0");
    EXPECT_EQ(b.share_limit, "2,5");
    EXPECT_EQ(b.out_names[kOutBasic], "vysl");
    EXPECT_EQ(b.out_names[kOutExtended], "");
    ProjectForm again;
    back.form.ScreenToCfg(again);
    form.background[1] = 0;  // a value not given comes back as 0
    EXPECT_EQ(again, form);
}

TEST(MainFormMapping, StartWithOneArgumentOpensTheProject) {
    Window w;
    zemo::test::write_file(w.path("town.atm"), "[Meteorologie]\r\nSoubor=r.txt\r\n");
    EXPECT_EQ(w.form.start({w.path("town")}).message, "");
    EXPECT_EQ(w.form.state().wind_roses, "r.txt");
    EXPECT_EQ(w.form.file_name(), w.path("town.atm"));
    EXPECT_FALSE(w.form.modified());

    Window bad;
    std::string missing = bad.dir.str();
    missing += "/sub/none.atm";
    EXPECT_FALSE(bad.form.start({missing}).ok);
    EXPECT_EQ(bad.form.project_directory(), bad.dir.str() + "/sub/");
    EXPECT_EQ(bad.form.file_name(), "");
}

TEST(MainFormMapping, RefusalsAndDroppedValues) {
    Window w;
    auto& s = w.form.state();
    // File 1 emptied: files 2 and 3 are not saved though their fields hold text.
    s.point_files = {"", "b.txt", "c.txt"};
    s.projection = FormProjection::Other;  // without a rotation: no projection
    ProjectForm form;
    w.form.ScreenToCfg(form);
    EXPECT_EQ(form.point_files, (std::array<std::string, 3>{}));
    EXPECT_EQ(form.projection, FormProjection::None);

    s.rotation = "1x";
    w.dialogs.save_names = {w.path("r")};
    const MainReply r = w.form.save(w.dialogs, M::None);
    EXPECT_TRUE(w.form.error());
    EXPECT_EQ(r.message, cz("Nepovolený znak v otočení projekce!\nSoubor není uložen!"));
    EXPECT_EQ(r.focus, M::Rotation);
    EXPECT_FALSE(std::filesystem::exists(w.dir.native("r.atm")));
}

TEST(MainFormMapping, OpenFailuresAndPollutantsMissingFromTheCatalogue) {
    Window w;
    zemo::test::write_file(w.path("x.atm"), "[Vypocetni sit]\r\nFoo=1\r\n");
    w.form.state().wind_roses = "keep";
    MainReply r = w.form.open_file(w.path("x.atm"));
    std::string msg = "Soubor [";
    msg += w.path("x.atm");
    msg += cz("] nelze otevřít nebo byl načten s chybou!\n+++ neznámá položka: FOO, (soubor: ");
    msg += w.path("x.atm") + ")";
    EXPECT_EQ(r.message, msg);
    EXPECT_EQ(w.form.state().wind_roses, "keep");

    zemo::test::write_file(w.path("y.atm"),
                           "[Znecistujici latky]\r\nXY=SO2, 1, 2, Nic\r\n[Meteorologie]\r\nSoubor=r.txt\r\n");
    r = w.form.open_file(w.path("y.atm"));
    msg = "Soubor [";
    msg += w.path("y.atm");
    msg += cz("] byl načten s chybou!\n+++ neznámá znečišťující látka: Nic");
    EXPECT_EQ(r.message, msg);
    EXPECT_TRUE(w.form.state().chosen.empty());
    EXPECT_EQ(w.form.state().wind_roses, "r.txt");
    ProjectForm f;
    read_project_form(w.path("y.atm"), f, msg);
    std::string error_text;
    EXPECT_FALSE(w.form.ScreenFromCfg(f, error_text));
    EXPECT_EQ(error_text, cz("+++ neznámá znečišťující látka: Nic"));
}

TEST(MainFormCatalogue, ChosenListEmptiedOnlyAfterARealChange) {
    Window w;
    w.add("Oxid siřičitý");
    CatalogueReply unchanged;
    unchanged.result = WindowResult::Ok;
    // Not modified after open: an unchanged catalogue leaves it so.
    MainForm& f = w.form;
    w.dialogs.save_names = {w.path("c")};
    ASSERT_TRUE(f.save(w.dialogs, M::None).ok);
    f.catalogue_closed(unchanged);
    EXPECT_EQ(f.state().chosen.size(), 1u);
    EXPECT_FALSE(f.modified());

    CatalogueReply changed = unchanged;
    changed.catalogue_changed = true;
    changed.result = WindowResult::Cancel;
    f.catalogue_closed(changed);  // "Storno" changes nothing here
    EXPECT_EQ(f.state().chosen.size(), 1u);
    changed.result = WindowResult::Ok;
    w.catalogue.entries.push_back(entry("CO", 6, "Aaa oxid", 10, 5));
    // A change that could not be saved ("Soubor nelze uložit!") leaves the
    // project's pollutants; the list shows the catalogue as edited.
    EXPECT_EQ(f.catalogue_closed(changed), "");
    EXPECT_EQ(f.state().chosen.size(), 1u);
    EXPECT_FALSE(f.modified());
    EXPECT_EQ(f.catalogue_names().front(), "Aaa oxid");
    changed.catalogue_saved = true;
    EXPECT_EQ(f.catalogue_closed(changed),
              cz("Seznam látek byl změněn a uložen: vybrané látky projektu byly proto odebrány, vyberte je znovu."));
    EXPECT_TRUE(f.state().chosen.empty());
    EXPECT_EQ(f.state().pol_usr, "");
    EXPECT_TRUE(f.modified());
    EXPECT_EQ(f.catalogue_names().front(), "Aaa oxid");
}

TEST(MainFormCommands, NothingThatChangesTheProjectDuringARun) {
    const MainCommands idle = main_commands(false);
    EXPECT_TRUE(idle.fields && idle.new_project && idle.open_project && idle.catalogue && idle.run && idle.quit_button);
    EXPECT_FALSE(idle.stop);
    const MainCommands running = main_commands(true);
    // The fields (file tests included), "Nový", "Otevřít..." and the
    // catalogue would change the project or the directory the run works in.
    EXPECT_FALSE(running.fields);
    EXPECT_FALSE(running.new_project);
    EXPECT_FALSE(running.open_project);
    EXPECT_FALSE(running.catalogue);
    EXPECT_FALSE(running.run);
    EXPECT_FALSE(running.quit_button);
    EXPECT_TRUE(running.stop);
    // Saving and the settings cannot reach a run: it keeps its own copies.
    EXPECT_TRUE(running.save);
    EXPECT_TRUE(running.settings);
}

TEST(DialogFilters, EachPairBecomesOneNameFilterInOrder) {
    EXPECT_EQ(dialog_name_filters(kProjectFilter),
              (std::vector<std::string>{"zemo init (*.atm)", "všechny soubory (*)"_cz}));
    EXPECT_EQ(
        dialog_name_filters("textové soubory (*.txt)|*.txt|soubory dBase (*.dbf)|*.dbf|všechny soubory (*.*)|*.*"_cz),
        (std::vector<std::string>{"textové soubory (*.txt)"_cz, "soubory dBase (*.dbf)", "všechny soubory (*.*)"_cz}));
    EXPECT_EQ(dialog_name_filters("LOG soubory|*.log|všechny soubory|*"_cz),
              (std::vector<std::string>{"LOG soubory (*.log)", "všechny soubory (*)"_cz}));
    // A text without its pattern is dropped; an empty filter gives none.
    EXPECT_EQ(dialog_name_filters("a|*.a|b"), (std::vector<std::string>{"a (*.a)"}));
    EXPECT_TRUE(dialog_name_filters("").empty());
}

TEST(MainFormFields, NumbersAndTheIndicativeAreTakenWhenLeftFileNamesAsTyped) {
    for (MainControl c : {MainControl::PolUsr, MainControl::PolLimit1, MainControl::PolLimit2, MainControl::PolRem,
                          MainControl::Rotation, MainControl::Lim, MainControl::Back1, MainControl::Back6})
        EXPECT_TRUE(checked_on_leave(c)) << static_cast<int>(c);
    for (MainControl c : {MainControl::PntFn1, MainControl::PntFn3, MainControl::SrcFnA, MainControl::TrnFn,
                          MainControl::RosFn, MainControl::OutDir, MainControl::OutFnExt, MainControl::PolList})
        EXPECT_FALSE(checked_on_leave(c)) << static_cast<int>(c);
}

// A "." in a directory is no extension: the ".atm" rule looks at the file
// name part, so a project under a dotted directory (C:\Users\jan.novak\...)
// is saved and opened with its extension.
TEST(MainFormMapping, DottedDirectoriesKeepTheExtensionRule) {
    EXPECT_EQ(project_name_with_extension("/home/jan.novak/town"), "/home/jan.novak/town.atm");
    EXPECT_EQ(project_name_with_extension("../town"), "../town.atm");
    EXPECT_EQ(project_name_with_extension("./town"), "./town.atm");
    EXPECT_EQ(project_name_with_extension("C:\\Users\\jan.novak\\town"), "C:\\Users\\jan.novak\\town.atm");
    EXPECT_EQ(project_name_with_extension("/home/jan.novak/town.v1"), "/home/jan.novak/town.v1");

    Window w;
    const std::string dotted = w.path("jan.novak");
    std::filesystem::create_directory(zemo::test::native_path(dotted));
    zemo::test::write_file(dotted + "/town.atm", "[Meteorologie]\r\nSoubor=r.txt\r\n");
    EXPECT_EQ(w.form.start({dotted + "/town"}).message, "");
    EXPECT_EQ(w.form.file_name(), dotted + "/town.atm");
    EXPECT_EQ(w.form.state().wind_roses, "r.txt");

    // "wzemo ../town" from a directory beside the project's.
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::create_directory(zemo::test::native_path(dotted + "/sub.d"));
    std::filesystem::current_path(zemo::test::native_path(dotted + "/sub.d"));
    Window relative;
    const MainReply opened = relative.form.start({"../town"});
    std::filesystem::current_path(cwd);
    EXPECT_EQ(opened.message, "");
    EXPECT_EQ(relative.form.file_name(), "../town.atm");
    EXPECT_EQ(relative.form.state().wind_roses, "r.txt");

    // Saved through the dialog under a dotted directory: proj.atm.
    w.form.state().wind_roses = "s.txt";
    w.form.changed();
    w.dialogs.save_names = {dotted + "/proj"};
    ASSERT_TRUE(w.form.save_as(w.dialogs, M::None).ok);
    EXPECT_NE(read_file(dotted + "/proj.atm").find("Soubor=s.txt"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(zemo::test::native_path(dotted + "/proj")));
}

// The program writes over no file it did not read as a project: a table
// opened by mistake is refused with the reason, ".atm" appended to a name
// chosen in the dialog asks before replacing that file, and a project read
// with errors asks before it is saved over its own file.
TEST(MainFormSave, NoFileIsWrittenOverThatWasNotReadAsAProject) {
    Window w;
    const std::string table = "R0001\t1000\t1500\t298.5\t1.5\t1\r\nR0002\t1100\t1400\t298.5\t1.5\t1\r\n";
    zemo::test::write_file(w.path("body.txt"), table);
    zemo::test::write_file(w.path("empty.atm"), "");
    for (const char* name : {"body.txt", "empty.atm"}) {
        w.dialogs.open_names = {w.path(name)};
        const MainReply r = w.form.open_project(w.dialogs);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, "Soubor [" + w.path(name) + cz("] nelze otevřít nebo byl načten s chybou!\n") +
                                 cz("+++ soubor neobsahuje žádnou skupinu projektu, (soubor: ") + w.path(name) + ")");
        EXPECT_EQ(w.form.file_name(), "");
    }
    // Saving afterwards asks for a name: the table is not touched.
    w.form.state().wind_roses = "r.txt";
    w.form.changed();
    w.dialogs.save_names = {w.path("novy")};
    ASSERT_TRUE(w.form.save(w.dialogs, M::None).ok);
    EXPECT_EQ(read_file(w.path("body.txt")), table);

    // "novy" again: novy.atm exists, and the dialog asked about "novy" only.
    w.dialogs.save_names = {w.path("novy"), w.path("novy")};
    w.dialogs.yes_no = {false, true};
    w.form.state().wind_roses = "q.txt";
    EXPECT_FALSE(w.form.save_as(w.dialogs, M::None).ok);
    EXPECT_EQ(w.dialogs.asked.back(), "Soubor [" + w.path("novy.atm") + cz("] již existuje. Má se přepsat?"));
    EXPECT_EQ(read_file(w.path("novy.atm")).find("q.txt"), std::string::npos);
    EXPECT_TRUE(w.form.save_as(w.dialogs, M::None).ok);
    EXPECT_NE(read_file(w.path("novy.atm")).find("Soubor=q.txt"), std::string::npos);
    const std::size_t asked = w.dialogs.asked.size();
    w.dialogs.save_names = {w.path("jiny")};  // a new file: no question
    EXPECT_TRUE(w.form.save_as(w.dialogs, M::None).ok);
    EXPECT_EQ(w.dialogs.asked.size(), asked);

    // A pollutant missing from the catalogue: saving under the project's
    // own name would drop it, so it is asked; No keeps the file.
    const std::string project = "[Znecistujici latky]\r\nXY=SO2, 1, 2, Nic\r\n[Meteorologie]\r\nSoubor=r.txt\r\n";
    zemo::test::write_file(w.path("cast.atm"), project);
    Window partly;
    EXPECT_FALSE(partly.form.open_file(w.path("cast.atm")).message.empty());
    partly.dialogs.yes_no = {false, true};
    partly.form.state().wind_roses = "jine.txt";
    partly.form.changed();
    EXPECT_FALSE(partly.form.save(partly.dialogs, M::None).ok);
    ASSERT_EQ(partly.dialogs.asked.size(), 1u);
    EXPECT_EQ(partly.dialogs.asked[0],
              "Soubor [" + partly.form.file_name() +
                  cz("] byl načten s chybou! Co se nenačetlo, uložením ze souboru zmizí. Má se přesto uložit?"));
    EXPECT_EQ(read_file(w.path("cast.atm")), project);
    EXPECT_TRUE(partly.form.save(partly.dialogs, M::None).ok);
    EXPECT_NE(read_file(w.path("cast.atm")).find("Soubor=jine.txt"), std::string::npos);
    // Once saved it is the project as the window holds it: no more questions.
    partly.form.state().wind_roses = "treti.txt";
    EXPECT_TRUE(partly.form.save(partly.dialogs, M::None).ok);
    EXPECT_EQ(partly.dialogs.asked.size(), 2u);
    // The save question asks the same before it writes.
    Window quitting;
    zemo::test::write_file(w.path("cast.atm"), project);
    quitting.form.open_file(w.path("cast.atm"));
    quitting.form.changed();
    quitting.dialogs.save_answers = {Answer::Yes};
    quitting.dialogs.yes_no = {false};
    EXPECT_FALSE(quitting.form.PrjSaveQuestion(quitting.dialogs));
    EXPECT_EQ(read_file(w.path("cast.atm")), project);
}

// Every number a field takes is finite and in range: a limit of 1e40 (inf
// in single precision), a negative or too large background, a share limit
// outside 0..100 are refused with the field's message; an empty background
// field stays a value not given, and an empty limit 2 is one limit.
TEST(MainFormValidation, NumbersOutOfRangeAndTheOneLimitPollutant) {
    Window w;
    w.add("Oxid siřičitý");
    w.add("Benzo(a)pyren");
    w.form.select_chosen(0);
    const auto refused = [](const MainReply& r, const char* msg, M focus) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, cz(msg));
        EXPECT_EQ(r.focus, focus);
    };
    for (const char* bad : {"1e40", "-1e40", "1e39", "0,0000001"}) {
        refused(w.type_into(M::PolLimit1, bad), "Nepřípustná hodnota imisního limitu!", M::PolLimit1);
        refused(w.type_into(M::PolLimit2, bad), "Nepřípustná hodnota imisního limitu!", M::PolLimit2);
    }
    EXPECT_EQ(w.form.state().chosen[0].limit1, 350);
    EXPECT_EQ(w.form.state().chosen[0].limit2, 125);
    refused(w.type_into(M::PolLimit1, ""), "Nepovolený znak v čísle!", M::PolLimit1);
    w.form.state().addition = FormAddition::Background;
    w.form.changed();
    for (const char* bad : {"-1", "-0,5", "1e40"})
        refused(w.type_into(M::Back1, bad), "Nepovolený znak v čísle!", M::Back1);
    EXPECT_TRUE(w.type_into(M::Back1, "").ok);
    EXPECT_TRUE(w.type_into(M::Back1, "0").ok);
    for (const char* bad : {"-1", "100,5", "1e40"})
        refused(w.type_into(M::Lim, bad), "Nepovolený znak v čísle!", M::Lim);
    EXPECT_TRUE(w.type_into(M::Lim, "100").ok);
    EXPECT_TRUE(w.type_into(M::Lim, "0").ok);
    refused(w.type_into(M::Rotation, "1e40", M::PntFn1), "Nepovolený znak v čísle!", M::Rotation);
    w.form.select_chosen(1);  // the ORG pollutant
    for (const char* bad : {"1e40", "0", "-3"})
        refused(w.type_into(M::PolRem, bad), "Nepovolený znak v čísle!", M::PolRem);
    EXPECT_EQ(w.form.state().chosen[1].half_life, 48);

    // A value typed and saved at once is checked as if the field were left.
    w.form.state().share_limit = "150";
    w.dialogs.save_names = {w.path("p")};
    refused(w.form.save(w.dialogs, M::Lim), "Nepovolený znak v čísle!", M::Lim);
    EXPECT_FALSE(std::filesystem::exists(zemo::test::native_path(w.path("p.atm"))));
    w.form.state().share_limit = "";

    // One limit: the second limit emptied, written as -1, read back empty.
    w.form.select_chosen(0);
    EXPECT_TRUE(w.type_into(M::PolLimit2, " ").ok);
    EXPECT_EQ(w.form.state().chosen[0].limit2, -1);
    EXPECT_EQ(w.form.state().pol_limit2, "");
    EXPECT_TRUE(w.form.modified());
    w.form.state().background[1] = "-4";  // not left: a value not given
    ASSERT_TRUE(w.form.save(w.dialogs, M::PolLimit2).ok);
    const std::string text = read_file(w.path("p.atm"));
    EXPECT_NE(text.find("SO2=SO2, 350.000000, -1.000000, "), std::string::npos) << text;
    EXPECT_NE(text.find("Pozadi=SO2:0.000000, BAP:0\r\n"), std::string::npos) << text;
    Window back;
    ASSERT_EQ(back.form.open_file(w.path("p.atm")).message, "");
    back.form.select_chosen(0);
    EXPECT_EQ(back.form.state().pol_limit2, "");
    EXPECT_EQ(back.form.state().chosen[0].limit2, -1);
    EXPECT_TRUE(back.type_into(M::PolLimit2, "").ok);  // leaving the empty field again is no change
    EXPECT_FALSE(back.form.modified());
    EXPECT_TRUE(back.type_into(M::PolLimit2, "40").ok);  // and two limits again
    EXPECT_EQ(back.form.state().chosen[0].limit2, 40);

    // A catalogue file edited by hand with a second limit of 0 gives a
    // pollutant of one limit, which its project file reads back as.
    back.catalogue.entries.push_back(entry("X", 0, "Jedna limita", 5, 0));
    CatalogueReply reread;
    reread.result = WindowResult::Ok;
    back.form.catalogue_closed(reread);
    ASSERT_TRUE(back.add("Jedna limita").ok);
    EXPECT_EQ(back.form.state().chosen.back().limit2, -1);
    ASSERT_TRUE(back.form.save(back.dialogs, M::None).ok);
    ProjectForm reread_form;
    std::string error;
    EXPECT_TRUE(read_project_form(w.path("p.atm"), reread_form, error)) << error;
}


TEST(MainFormFields, ASingleValueShowsAsTypedAndTheLabelsFollowThePollutants) {
    // The stored value is the single-precision one; the field shows the
    // fewest digits that give it back.
    EXPECT_EQ(single_field_text(0.1f, ','), "0,1");
    EXPECT_EQ(single_field_text(350.5f, '.'), "350.5");
    EXPECT_EQ(single_field_text(0.0006f, ','), "0,0006");
    EXPECT_EQ(single_field_text(1e6f, ','), "1000000");
    EXPECT_EQ(single_field_text(123456789.0, '.'), "123456790");  // the float nearest it is 123456792
    Window w;
    ASSERT_TRUE(w.add("Oxid siřičitý").ok);
    EXPECT_TRUE(w.type_into(M::PolLimit1, "0,1").ok);
    EXPECT_TRUE(w.type_into(M::PolLimit2, "0.3").ok);
    EXPECT_EQ(w.form.state().chosen[0].limit1, static_cast<double>(0.1f));
    w.form.select_chosen(-1);
    w.form.select_chosen(0);
    EXPECT_EQ(w.form.state().pol_limit1, "0,1");
    EXPECT_EQ(w.form.state().pol_limit2, "0,3");

    // Each background field carries its pollutant's indicative while the
    // background is chosen; the output names' defaults stand in the empty fields.
    ASSERT_TRUE(w.add("Benzo(a)pyren").ok);
    EXPECT_EQ(w.form.enabled().background_label[0], "");
    w.form.state().addition = FormAddition::Background;
    w.form.changed();
    EXPECT_EQ(w.form.enabled().background_label[0], "SO2");
    EXPECT_EQ(w.form.enabled().background_label[1], "BAP");
    EXPECT_EQ(w.form.enabled().background_label[2], "");
    EXPECT_TRUE(w.type_into(M::PolUsr, "SOx").ok);  // selected: BAP, the second
    EXPECT_EQ(w.form.enabled().background_label[1], "SOx");
    EXPECT_EQ(default_out_names()[kOutBasic], "IHrIHk");
    EXPECT_EQ(default_out_names()[kOutSourceShares], "Pzdroju");
    EXPECT_EQ(default_out_names()[kOutExtended], "detalni");
}

TEST(MainFormPlaces, RelativePathsFollowTheProjectAndTheLastProjectsAreListed) {
    Window w;
    const TempDir other;
    namespace fs = std::filesystem;
    fs::create_directories(w.dir.path() / "data");
    // A new project starts in the default directory (the user's documents).
    EXPECT_EQ(w.form.project_directory(), "/inst/");
    EXPECT_EQ(w.form.default_directory(), "/inst/");
    // Never saved: a browsed file keeps its full path; saved for the first
    // time, full paths beneath the project become relative, typed relative
    // ones stay as typed.
    w.form.open_data_chosen(M::PntFn1, w.path("data/body.txt"), 1);
    EXPECT_EQ(w.form.state().point_files[0], w.path("data/body.txt"));
    w.form.state().wind_roses = "ruzice.txt";
    w.form.state().line_sources = other.file("linie.txt");
    w.form.changed();
    w.dialogs.save_names = {w.path("town")};
    ASSERT_TRUE(w.form.save(w.dialogs, M::None).ok);
    EXPECT_EQ(w.form.state().point_files[0], w.path("data/body.txt").substr(w.dir.str().size() + 1));
    EXPECT_EQ(w.form.state().wind_roses, "ruzice.txt");
    EXPECT_EQ(w.form.state().line_sources, other.file("linie.txt"));
    const std::string text = read_file(w.path("town.atm"));
    EXPECT_NE(text.find("Soubor=data/body.txt\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Soubor=ruzice.txt"), std::string::npos) << text;
    // Saved: a browsed file beneath the project is kept relative.
    w.form.open_data_chosen(M::SrcFnP, w.path("data/zdroje.dbf"), 2);
    EXPECT_EQ(w.form.state().point_sources, "data/zdroje.dbf");
    // The output directory too; a relative one and a relative preset lie in
    // the project's directory.
    w.form.output_directory_chosen(w.path("vysledky"));
    EXPECT_EQ(w.form.state().output_directory, "vysledky");
    EXPECT_EQ(w.form.open_out_directory(), w.path("vysledky"));
    w.form.state().output_type = kOutputBasic;
    w.form.open_out_chosen(M::OutFnBasic, w.path("vysledky/zakl.txt"));
    EXPECT_EQ(w.form.state().out_names[kOutBasic], "zakl");
    EXPECT_EQ(w.form.open_data_request(M::RosFn).preset, w.path("ruzice.txt"));
    // Saved as into another directory: the relative paths name the same
    // files (full now), and a file beneath the new directory becomes relative.
    w.dialogs.save_names = {other.file("copy.atm")};
    ASSERT_TRUE(w.form.save_as(w.dialogs, M::None).ok);
    EXPECT_EQ(w.form.state().point_files[0], w.path("data/body.txt"));
    EXPECT_EQ(w.form.state().wind_roses, w.path("ruzice.txt"));
    EXPECT_EQ(w.form.state().line_sources, "linie.txt");

    // The recent list: the most recent first, a failed open leaves it.
    EXPECT_EQ(w.prefs.recent_projects, (std::vector<std::string>{other.file("copy.atm"), w.path("town.atm")}));
    ASSERT_EQ(w.form.open_file(w.path("town.atm")).message, "");
    EXPECT_EQ(w.prefs.recent_projects, (std::vector<std::string>{w.path("town.atm"), other.file("copy.atm")}));
    fs::remove(other.native("copy.atm"));
    EXPECT_FALSE(w.form.open_recent(w.dialogs, other.file("copy.atm")).ok);
    EXPECT_EQ(w.prefs.recent_projects, (std::vector<std::string>{w.path("town.atm")}));
    // "&Nový": back to the default directory.
    EXPECT_TRUE(w.form.new_project(w.dialogs).ok);
    EXPECT_EQ(w.form.project_directory(), "/inst/");
}
