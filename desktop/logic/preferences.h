// The desktop program's preferences and installation look-up over a small
// key-value store, without any windowing toolkit.
//
// Two stores take part: the machine-wide one, read only, which holds the
// installation directory (value "RootDir"), and the per-user one with the
// preferences. In both the values live in a group named after the version
// key ("1.0", base/version.h): on Windows the registry keys
// "SOFTWARE\ZEMO\Model ZEMO\1.0" (machine) and "Software\ZEMO\Model ZEMO\1.0"
// (user), elsewhere the groups "[1.0]" of the settings files
// "ZEMO/Model ZEMO.conf" at system and user scope (docs/desktop.md).
//
// Life of the preferences: prefs_load once at start (a missing installation
// ends the program with kNotInstalledText); changed in memory by the
// settings dialog and the main window; prefs_save only from the "Konec"
// button, and only into a per-user group that still exists.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zemo::desktop {

// The last projects kept in the preferences ("LastPrj1" .. "LastPrj5").
inline constexpr int kRecentProjects = 5;

// A key-value store of string values in named groups. The desktop program
// puts the system's settings store behind it; the tests use
// MemorySettingsStore.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // True when the group exists (it may hold no values).
    virtual bool has_group(const std::string& group) const = 0;
    // The value of key in group, none when the group or the key is missing.
    virtual std::optional<std::string> get(const std::string& group, const std::string& key) const = 0;
    // Sets the value, creating the group when it is missing.
    virtual void set(const std::string& group, const std::string& key, const std::string& value) = 0;
};

class MemorySettingsStore : public SettingsStore {
public:
    bool has_group(const std::string& group) const override { return groups_.count(group) > 0; }
    std::optional<std::string> get(const std::string& group, const std::string& key) const override;
    void set(const std::string& group, const std::string& key, const std::string& value) override {
        groups_[group][key] = value;
    }
    void add_group(const std::string& group) { groups_[group]; }
    void remove_group(const std::string& group) { groups_.erase(group); }
    void remove(const std::string& group, const std::string& key);

private:
    std::map<std::string, std::map<std::string, std::string>> groups_;
};

// The message (caption "Zemo") that ends the program when the installation
// entry or the per-user group is missing (Windows-1250).
extern const char* const kNotInstalledText;

// Thread priority levels of a run.
inline constexpr int kPriorityLowest = -2;
inline constexpr int kPriorityHighest = 2;

struct Preferences {
    std::string root_dir;            // machine-wide "RootDir", ends in a separator
    int form_top = 100;              // "mForm_x": the main window's top (vertical) coordinate
    int form_left = 100;             // "mForm_y": the main window's left (horizontal) coordinate
    bool audio = false;              // "Audio": alert sound after a successful run
    int priority = kPriorityLowest;  // "Priority" stored as level + 2
    bool close_after_run = false;    // "Close": end the program after a successful run
    std::string log_file;            // "LogFile": own log for every run, empty: the default place
    int log_level = 1;               // "LogLvl" as stored; see run_log_level
    int dialog_data_filter = 1;      // "iDlgData": 1 text, 2 dBase, 3 all
    int dialog_wind_filter = 1;      // "iDlgWnd": 1 text, 2 ".dat", 3 all
    std::string last_path;           // "LastPath": last directory of an open dialog
    // "LastPrj1" .. "LastPrj5": the last projects opened or saved, the most
    // recent first (full paths; project_places.h keeps the list's rules).
    std::vector<std::string> recent_projects;

    bool operator==(const Preferences&) const = default;
};

// The defaults of a missing per-user value; LastPath defaults to home_dir
// (the user's home directory, "C:\" on Windows).
Preferences default_preferences(const std::string& home_dir);

// Reads RootDir from machine and the preferences from user, both in group
// (the version key), applying the defaults and range rules:
//   Audio, Close: 1 is on, every other value off;
//   Priority: stored 0..4 are the levels -2..2, another stored value is
//     level 0, a missing one level -2;
//   LogLvl, iDlgData, iDlgWnd: kept as stored.
// A value that is not a whole number counts as missing. Returns false when
// the machine group, its RootDir or the user group is missing: the program
// then shows kNotInstalledText and ends.
bool prefs_load(const SettingsStore& machine, const SettingsStore& user, const std::string& group,
                const std::string& home_dir, Preferences& prefs);

// Writes every per-user value (Priority as level + 2) when the user group
// exists; creates nothing. False when the group is missing.
bool prefs_save(SettingsStore& user, const std::string& group, const Preferences& prefs);

// Writes only the recent projects (LastPrj1 .. LastPrj5, unused places
// empty) when the user group exists: the list is stored whenever it
// changes. False when the group is missing (nothing is created).
bool recent_projects_save(SettingsStore& user, const std::string& group, const std::vector<std::string>& list);

// First start on a platform without an installer: creates the missing
// per-user group with the default values, as the installer does on
// Windows. False (and nothing written) when the group exists already.
bool prefs_create_user_group(SettingsStore& user, const std::string& group, const std::string& home_dir);

// The message level a run uses: 0, 1 or 2 as stored, 1 for any other value.
int run_log_level(int stored_level);

// The log of a run whose log cannot be opened: a new file of its own in
// the system's temporary directory, "mZemo-" and six unpredictable
// characters ".log", created for the user alone; empty when none can be
// created.
std::string create_fallback_log(const std::string& temp_dir);

// The settings dialog ("Nastavení") as toolkit-free values.
struct SettingsDialogValues {
    bool audio = false;            // fST_Audio_Chk
    bool close_after_run = false;  // fST_Close_Chk
    int priority = 0;              // fST_Priority_TBar, -2..2
    std::string log_file;          // fST_LogFn_Edt
    int log_option = -1;           // "Bez výpisu" 0, "Standardní" 1, "Rozšířená" 2, -1 none chosen
};

// The dialog's controls when it is created: a priority level outside -2..2
// shows as 0, a stored log level other than 0, 1, 2 chooses no option.
SettingsDialogValues settings_dialog_values(const Preferences& prefs);
// "OK": stores Audio, Close, Priority, LogFile (empty allowed) and LogLvl
// (0 for "Bez výpisu", 2 for "Rozšířená", 1 otherwise).
void settings_dialog_store(const SettingsDialogValues& values, Preferences& prefs);

// The log name chosen in the dialog's browser: ".log" appended when its
// file name (the part after the last directory separator) holds no ".".
std::string log_name_with_extension(const std::string& name);
// The browser's filter for a preset name: 1 ("LOG soubory") for a ".log"
// extension in any case or no extension, 2 ("všechny soubory") for another.
int log_dialog_filter(const std::string& name);

}  // namespace zemo::desktop
