// The main window ("[name] - Zemo") as a model without any window: the
// texts of its fields and the states of its options as the window holds
// them, the chosen pollutants, what is enabled, the caption, the modified
// flag, the project file name and the project directory, and the rules that
// work on them. The window moves texts and check states between its
// controls and MainFormState, forwards every user action to one operation
// of MainForm, and shows the returned MainReply (a message box, where the
// focus goes) and the recomputed MainEnabled. A test drives the window's
// behaviour through the same operations; the message boxes and file
// dialogs the rules need are asked through MainDialogs.
//
// Life of a project in the window:
//
//   ScreenClear --edit, add, remove, option--> [modified]
//        ^  ^                                      |
//        |  +-- save question: Yes (saved) / No ---+
//        |      Cancel: stays [modified]
//   open / save / save as: named, not modified
//
// Invariants:
//   1. state().chosen holds at most kMaxPollutants pollutants;
//      state().chosen_selected is -1 or a valid index of it.
//   2. enabled() is what check_values() last computed from state().
//   3. caption() is "[" + file name + "] - Zemo", or "[Nepojmenovaný] - Zemo"
//      without a name.
//   4. The catalogue list shows the catalogue's names in catalogue_order_less
//      order; catalogue_names()[r] is entry catalogue_entry_of_row(r).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "desktop/logic/catalogue_editor.h"
#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/logic/preferences.h"
#include "desktop/logic/project_form.h"

namespace zemo::desktop {

// The controls of the main window that take part in the rules.
enum class MainControl {
    None,
    PntFn1,
    PntFn2,
    PntFn3,  // fMN_PntFn1_Edt .. fMN_PntFn3_Edt
    PrjJtsk,
    PrjS42,
    PrjOther,  // the projection options
    Rotation,  // fMN_PrjOther_Edt
    PolList,
    PolChoice,  // fMP_PolList_Lst, fMP_PolChoice_Lst
    PolUsr,
    PolLimit1,
    PolLimit2,
    PolRem,  // the pollutant panel
    SrcFnP,
    SrcFnL,
    SrcFnA,  // fMS_SrcFnP_Edt, fMS_SrcFnL_Edt, fMS_SrcFnA_Edt
    TrnRad,
    BackRad,  // "Tr&ansfery", "Poza&dí"
    TrnFn,    // fMS_TrnFn_Edt
    Back1,
    Back2,
    Back3,
    Back4,
    Back5,
    Back6,   // fMS_Back1_Edt .. fMS_Back6_Edt
    RosFn,   // fMM_RosFn_Edt
    Lim,     // fMO_Lim_Edt
    OutDir,  // fMO_OutDir_Edt
    OutFnBasic,
    OutFnPsrc,
    OutFnPgrp,
    OutFnSmax,
    OutFnSavg,
    OutFnExt,
};

// The fields whose text is checked and taken when the focus leaves them
// (leave_field): the pollutant panel, the rotation, the background values
// and the share limit. Every other field's text counts as it is typed
// (changed()).
bool checked_on_leave(MainControl field);

// Index of the six output names in MainFormState::out_names.
enum OutName : int { kOutBasic = 0, kOutSourceShares, kOutGroupShares, kOutSectorMax, kOutSectorMean, kOutExtended };

// Every field's text and every option as the window holds them.
struct MainFormState {
    std::array<std::string, 3> point_files;
    FormProjection projection = FormProjection::None;
    std::string rotation;

    int catalogue_selected = -1;        // row of "Seznam látek:", -1 none
    std::vector<FormPollutant> chosen;  // "Vybrané látky:"
    int chosen_selected = -1;           // index of chosen, -1 none
    std::string pol_usr, pol_limit1, pol_limit2, pol_rem;

    std::string point_sources, line_sources, area_sources;
    FormAddition addition = FormAddition::None;
    std::string transfers;
    std::array<std::string, kMaxPollutants> background;

    std::string wind_roses;

    int output_type = kOutputNone;
    int output_format = kOutFormatNone;
    std::string share_limit;
    std::string output_directory;
    std::array<std::string, 6> out_names;  // indexed by OutName

    bool operator==(const MainFormState&) const = default;
};

// Which controls are enabled (a row: its label, field and browse button).
struct MainEnabled {
    bool point_file2 = false, point_file3 = false;
    std::array<bool, 3> point_test{};  // fMN_PntFn1_BtnCh ..
    bool rotation = false;
    bool half_life = false;             // fMP_PolRem_Edt
    std::array<bool, 3> source_test{};  // point, line, area
    bool transfers = false;             // field and browse button
    bool transfers_test = false;
    std::array<bool, kMaxPollutants> background{};
    std::array<std::string, kMaxPollutants> background_hint;  // "" = no hint
    // The label of each background field: its pollutant's indicative, ""
    // where no pollutant is chosen for it.
    std::array<std::string, kMaxPollutants> background_label;
    bool wind_test = false;
    std::array<bool, 6> out_names{};  // indexed by OutName

    bool operator==(const MainEnabled&) const = default;
};

// What the window must do after an operation.
struct MainReply {
    std::string message;  // a message box (caption "Zemo", exclamation, "OK"); "" = none
    MainControl focus = MainControl::None;
    bool select_text = false;  // select the focused field's text
    bool ok = true;            // false: the operation was refused or cancelled
};

enum class Answer { Yes, No, Cancel };

// The message boxes and file dialogs of the main window's rules. The window
// implements it with real dialogs, a test with prepared answers.
class MainDialogs {
public:
    virtual ~MainDialogs() = default;
    // "Mají se změny provedené v projektu uložit?" with Yes, No, Cancel.
    virtual Answer ask_save_changes(const std::string& text) = 0;
    // The save-failure question (Yes, No): true for Yes.
    virtual bool ask_yes_no(const std::string& text) = 0;
    // The project save dialog, preset with preset; none when cancelled.
    virtual std::optional<std::string> choose_save_name(const std::string& preset) = 0;
    // The project open dialog; none when cancelled.
    virtual std::optional<std::string> choose_open_name() = 0;
    // A message box with "OK".
    virtual void show_message(const std::string& text) = 0;
};

// The filter of the project open and save dialogs.
extern const char* const kProjectFilter;

// The help file, and the context help topic of each tab (0 "Výpočetní &síť"
// .. 4 "&Výsledky"): 221..225; 0 for no tab.
inline constexpr const char* kHelpFile = "wzemo.hlp";
constexpr int help_topic(int tab) { return tab >= 0 && tab < 5 ? 221 + tab : 0; }

// "Model ZEMO, verze " + version: the message area's first line.
std::string start_line(const std::string& version);

// What "&Zobrazit LOG souor" shows instead of the log: "Dosud nebyl proveden
// žádný výpočet!" before the first run, "Probíhá výpočet!" during a run, ""
// when the log may be shown.
std::string log_state_text(bool any_run, bool running);

// A project name from a dialog or the command line: ".atm" appended when its
// file name part holds no "." (a dotted directory does not count).
std::string project_name_with_extension(const std::string& name);

// A number as the window shows it: general format, up to 15 significant
// digits, decimal_separator as the decimal separator.
std::string field_number_text(double value, char decimal_separator);
// A number stored in single precision as the window shows it: the fewest
// significant digits that give the same single-precision value, in the
// general format of field_number_text ("0,1" for the stored 0.1f, not
// "0,100000001490116"), so that a value shows as it was typed.
std::string single_field_text(double value, char decimal_separator);
// The default base names of the result files (indexed by OutName): what an
// empty output name stands for, shown greyed in the empty field.
const std::array<std::string, 6>& default_out_names();
// A number the user typed: the first "." becomes "," when the separator is
// ",", the first "," becomes "." when it is "."; the rest must be one number
// with that separator. False (value unchanged) when it does not convert.
bool field_number(const std::string& text, char decimal_separator, double& value);

// The position just after the last directory separator of path (0 without one).
std::size_t file_name_start(const std::string& path);
// path cut before the first (first_dot) or last "." of its file name part;
// a "." in a directory never cuts.
std::string cut_extension(const std::string& path, bool first_dot);

// The open dialog of OpenData.
struct OpenDataRequest {
    std::string title;
    std::string filter;
    int filter_index = 1;
    std::string directory;  // LastPath
    std::string preset;     // the field's name
};
// The filter index for a preset name: 2 for ".dbf" (".dat" for the wind
// rose), remembered for ".txt" or no name, 3 for any other extension.
int data_filter_index(const std::string& preset, int remembered, bool wind_rose);

// The directory chooser's start: the output directory when it exists, else
// the drive of LastPath (the whole LastPath where paths have no drive).
std::string directory_chooser_start(const std::string& output_directory, const std::string& last_path,
                                    bool output_directory_exists);

// What the window offers while a run is or is not going on. A run takes the
// form as it stood when "Výpoč&et" was pressed, so nothing may change the
// project until it ends: every field, option, list and button of the five
// tabs (the file tests too: they change the current directory the run
// works in), "&Nový", "&Otevřít..." and "Seznam &látek" (whose OK would
// empty the chosen pollutants). Saving, the settings (a run keeps its own
// copy of the preferences), the log, help and the about window stay.
struct MainCommands {
    bool fields = true;        // the five tabs' controls
    bool new_project = true;   // "&Nový"
    bool open_project = true;  // "&Otevřít..."
    bool save = true;          // "&Uložit", "Uložit j&ako..."
    bool catalogue = true;     // "Seznam &látek"
    bool settings = true;      // "&Možnosti"
    bool run = true;           // "Výpoč&et"
    bool stop = false;         // "Zastavit"
    bool quit_button = true;   // the "&Konec" button

    bool operator==(const MainCommands&) const = default;
};
MainCommands main_commands(bool running);

// The message area's hint of "Zastavit".
extern const char* const kStopHint;

class MainForm {
public:
    // catalogue: the catalogue read at start (load_catalogue); prefs: the
    // preferences read at start; default_directory: the project directory of
    // a new project (the user's documents: the installation is not writable
    // for a standard user), ending in a separator.
    MainForm(PollutantCatalogue& catalogue, Preferences& prefs, std::string default_directory, char decimal_separator);

    MainFormState& state() { return state_; }
    const MainFormState& state() const { return state_; }
    const MainEnabled& enabled() const { return enabled_; }
    bool modified() const { return modified_; }
    void set_modified() { modified_ = true; }
    const std::string& file_name() const { return file_name_; }
    const std::string& project_directory() const { return project_directory_; }
    const std::string& default_directory() const { return default_directory_; }
    std::string caption() const;
    const std::vector<std::string>& catalogue_names() const { return catalogue_names_; }
    int catalogue_entry_of_row(int row) const;

    // The three toolkit-free pieces.
    // Reads the fields into form; on a refusal the reply carries the message
    // and focus and error() is true.
    MainReply ScreenToCfg(ProjectForm& form);
    bool error() const { return error_; }
    // Fills the fields from form; false (with error_text set and the chosen
    // list empty) when a pollutant is missing from the catalogue.
    bool ScreenFromCfg(const ProjectForm& form, std::string& error_text);
    void ScreenClear();
    void CheckValues();

    // A file field's text or an option was changed by the user (the window
    // has stored it in state()): CheckValues.
    void changed() { CheckValues(); }
    // The focus leaves field for next: validates and stores the field.
    MainReply leave_field(MainControl field, MainControl next);

    // The pollutant lists.
    void select_catalogue(int row) { state_.catalogue_selected = row; }
    void select_chosen(int index);
    MainReply add_pollutant();
    MainReply remove_pollutant();
    // The catalogue window closed with reply: the list is refilled; after a
    // real change that was saved the chosen pollutants are emptied and the
    // project modified. Returns the message area's line that says so ("" when
    // nothing was emptied).
    std::string catalogue_closed(const CatalogueReply& reply);

    // The project commands.
    bool PrjSaveQuestion(MainDialogs& dialogs);
    MainReply new_project(MainDialogs& dialogs);
    MainReply open_project(MainDialogs& dialogs);
    // One of the last projects of the "Projekt" menu: the save question,
    // then open_file (a project that no longer opens leaves the list).
    MainReply open_recent(MainDialogs& dialogs, const std::string& name);
    // The window's start with the program's arguments: exactly one is a
    // project name (".atm" appended without a "."); the project directory
    // becomes its directory whether or not it reads.
    MainReply start(const std::vector<std::string>& arguments);
    // Reads name (the command-line argument or the open dialog's choice).
    // A failure's message carries the reader's reason on a line of its own.
    // A file without a single section is refused (not opened as an empty
    // project): saving it would destroy it.
    MainReply open_file(const std::string& name);
    // focus: the control with the focus when the command was given. A file
    // is never written over without a question unless it was read as a
    // project: a name the dialog gave ".atm" to that names an existing file
    // is asked about, and so is saving a project that was read with errors
    // (its pollutants missing from the catalogue) under its own name.
    MainReply save(MainDialogs& dialogs, MainControl focus);
    MainReply save_as(MainDialogs& dialogs, MainControl focus);

    // Leaving the program by the "&Konec" button, the "&Konec" menu item or
    // the system close button.
    enum class QuitSource { Button, Menu, CloseButton };
    enum class QuitStep {
        StopRunFirst,  // a run is going on and may be stopped: stop it, wait for it, ask again
        Stay,          // the stop or the save question was declined or cancelled
        Quit,          // the program ends
    };
    // running: a run is going on, and "Probíhá výpočet. Přerušit výpočet a
    // ukončit program?" is asked first. The button stores the preferences
    // into store (the user group group) before the save question.
    QuitStep request_quit(QuitSource source, bool running, MainDialogs& dialogs, SettingsStore* store = nullptr,
                          const std::string& group = {});

    // Browsing for an input file (OpenData): the chosen path is kept
    // relative to a saved project's directory when the file lies beneath it.
    OpenDataRequest open_data_request(MainControl field) const;
    void open_data_chosen(MainControl field, const std::string& path, int filter_index);
    // Browsing for an output name (OpenOut): the dialog's start directory.
    std::string open_out_directory() const;
    void open_out_chosen(MainControl field, const std::string& path);
    // The output directory chosen in the directory window.
    void output_directory_chosen(const std::string& directory);

    // The state's text of a field (nullptr for a control without text), where
    // the window stores what the user typed.
    std::string* text_field(MainControl field);

private:
    // Computes enabled() from state() without touching the modified flag.
    void recompute();
    void show_chosen();
    void refill_catalogue_names();
    // The file fields' paths, relative to from_directory, made relative to
    // to_directory (full where a file does not lie beneath it).
    void rebase_paths(const std::string& from_directory, const std::string& to_directory);
    bool write_project(MainDialogs& dialogs, bool always_ask, MainControl focus, MainReply& reply);
    // The file a save writes: the project's own (asking first when it was
    // read with errors), or, with always_ask or without a name, one chosen
    // in the save dialog with ".atm" appended (asking before that replaces
    // another file). Nothing when the user cancels.
    std::optional<std::string> save_target(MainDialogs& dialogs, bool always_ask);

    PollutantCatalogue& catalogue_;
    Preferences& prefs_;
    std::string default_directory_;  // a new project's directory
    char decimal_separator_;
    MainFormState state_;
    MainEnabled enabled_;
    bool modified_ = false;
    bool error_ = false;
    std::string file_name_;
    bool read_with_errors_ = false;  // the file named file_name_ did not read whole
    std::string project_directory_;
    std::vector<std::string> catalogue_names_;
    std::vector<int> catalogue_rows_;
};

}  // namespace zemo::desktop
