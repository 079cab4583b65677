#include "desktop/logic/preferences.h"

#include <charconv>

#include "base/platform.h"
#include "base/text.h"

namespace zemo::desktop {

const char* const kNotInstalledText = "Program není korektně nainstalován!"_cz;

namespace {

// Per-user value names.
constexpr const char* kFormX = "mForm_x";
constexpr const char* kFormY = "mForm_y";
constexpr const char* kAudio = "Audio";
constexpr const char* kPriority = "Priority";
constexpr const char* kClose = "Close";
constexpr const char* kLogFile = "LogFile";
constexpr const char* kLogLvl = "LogLvl";
constexpr const char* kDlgData = "iDlgData";
constexpr const char* kDlgWnd = "iDlgWnd";
constexpr const char* kLastPath = "LastPath";
constexpr const char* kRootDir = "RootDir";
std::string recent_key(int index) { return "LastPrj" + std::to_string(index + 1); }

// The last projects, an empty value for each place the list does not fill.
void write_recent(SettingsStore& user, const std::string& group, const std::vector<std::string>& list) {
    for (int i = 0; i < kRecentProjects; ++i)
        user.set(group, recent_key(i), i < static_cast<int>(list.size()) ? list[i] : std::string());
}

// A stored whole number (blanks around it allowed), none when the value is
// missing or is not one.
std::optional<int> stored_int(const SettingsStore& store, const std::string& group, const char* key) {
    const auto value = store.get(group, key);
    if (!value) return std::nullopt;
    const std::string text = trim_blanks(*value);
    int n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return n;
}

void write_all(SettingsStore& user, const std::string& group, const Preferences& p) {
    user.set(group, kFormX, std::to_string(p.form_top));
    user.set(group, kFormY, std::to_string(p.form_left));
    user.set(group, kAudio, p.audio ? "1" : "0");
    user.set(group, kPriority, std::to_string(p.priority + 2));
    user.set(group, kClose, p.close_after_run ? "1" : "0");
    user.set(group, kLogFile, p.log_file);
    user.set(group, kLogLvl, std::to_string(p.log_level));
    user.set(group, kDlgData, std::to_string(p.dialog_data_filter));
    user.set(group, kDlgWnd, std::to_string(p.dialog_wind_filter));
    user.set(group, kLastPath, p.last_path);
    write_recent(user, group, p.recent_projects);
}

// The file name part of a path.
std::string file_part(const std::string& path) { return path.substr(platform::file_name_start(path)); }

}  // namespace

std::optional<std::string> MemorySettingsStore::get(const std::string& group, const std::string& key) const {
    const auto g = groups_.find(group);
    if (g == groups_.end()) return std::nullopt;
    const auto v = g->second.find(key);
    if (v == g->second.end()) return std::nullopt;
    return v->second;
}

void MemorySettingsStore::remove(const std::string& group, const std::string& key) {
    const auto g = groups_.find(group);
    if (g != groups_.end()) g->second.erase(key);
}

Preferences default_preferences(const std::string& home_dir) {
    Preferences p;
    p.last_path = home_dir;
    return p;
}

bool prefs_load(const SettingsStore& machine, const SettingsStore& user, const std::string& group,
                const std::string& home_dir, Preferences& prefs) {
    prefs = default_preferences(home_dir);
    if (!machine.has_group(group)) return false;
    const auto root = machine.get(group, kRootDir);
    if (!root || root->empty()) return false;
    prefs.root_dir = *root;
    if (!platform::is_dir_separator(prefs.root_dir.back())) prefs.root_dir.push_back(platform::kDirSeparator);
    if (!user.has_group(group)) return false;

    prefs.form_top = stored_int(user, group, kFormX).value_or(prefs.form_top);
    prefs.form_left = stored_int(user, group, kFormY).value_or(prefs.form_left);
    prefs.audio = stored_int(user, group, kAudio) == 1;
    const int stored_priority = stored_int(user, group, kPriority).value_or(0);
    prefs.priority = stored_priority >= 0 && stored_priority <= 4 ? stored_priority - 2 : 0;
    prefs.close_after_run = stored_int(user, group, kClose) == 1;
    prefs.log_file = user.get(group, kLogFile).value_or(prefs.log_file);
    prefs.log_level = stored_int(user, group, kLogLvl).value_or(prefs.log_level);
    prefs.dialog_data_filter = stored_int(user, group, kDlgData).value_or(prefs.dialog_data_filter);
    prefs.dialog_wind_filter = stored_int(user, group, kDlgWnd).value_or(prefs.dialog_wind_filter);
    prefs.last_path = user.get(group, kLastPath).value_or(prefs.last_path);
    for (int i = 0; i < kRecentProjects; ++i) {
        const auto project = user.get(group, recent_key(i));
        if (!project || project->empty()) continue;
        bool listed = false;
        for (const std::string& p : prefs.recent_projects) listed = listed || p == *project;
        if (!listed) prefs.recent_projects.push_back(*project);
    }
    return true;
}

bool prefs_save(SettingsStore& user, const std::string& group, const Preferences& prefs) {
    if (!user.has_group(group)) return false;
    write_all(user, group, prefs);
    return true;
}

bool recent_projects_save(SettingsStore& user, const std::string& group, const std::vector<std::string>& list) {
    if (!user.has_group(group)) return false;
    write_recent(user, group, list);
    return true;
}

bool prefs_create_user_group(SettingsStore& user, const std::string& group, const std::string& home_dir) {
    if (user.has_group(group)) return false;
    write_all(user, group, default_preferences(home_dir));
    return true;
}

int run_log_level(int stored_level) { return stored_level >= 0 && stored_level <= 2 ? stored_level : 1; }

std::string create_fallback_log(const std::string& temp_dir) {
    return platform::create_unique_file(temp_dir, "mZemo-", ".log");
}

SettingsDialogValues settings_dialog_values(const Preferences& prefs) {
    SettingsDialogValues v;
    v.audio = prefs.audio;
    v.close_after_run = prefs.close_after_run;
    v.priority = prefs.priority >= kPriorityLowest && prefs.priority <= kPriorityHighest ? prefs.priority : 0;
    v.log_file = prefs.log_file;
    v.log_option = prefs.log_level >= 0 && prefs.log_level <= 2 ? prefs.log_level : -1;
    return v;
}

void settings_dialog_store(const SettingsDialogValues& values, Preferences& prefs) {
    prefs.audio = values.audio;
    prefs.close_after_run = values.close_after_run;
    prefs.priority = values.priority;
    prefs.log_file = values.log_file;
    prefs.log_level = values.log_option == 0 ? 0 : values.log_option == 2 ? 2 : 1;
}

std::string log_name_with_extension(const std::string& name) {
    if (name.empty() || file_part(name).find('.') != std::string::npos) return name;
    return name + ".log";
}

int log_dialog_filter(const std::string& name) {
    const std::string file = file_part(name);
    const auto dot = file.rfind('.');
    if (dot == std::string::npos) return 1;
    return to_upper(file.substr(dot)) == ".LOG" ? 1 : 2;
}

}  // namespace zemo::desktop
