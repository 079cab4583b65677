// The per-user preferences in the system's settings store through QSettings:
// the registry key "Software\ZEMO\Model ZEMO" on Windows, the file
// "ZEMO/Model ZEMO.conf" under XDG_CONFIG_HOME elsewhere. Fallbacks to the
// system scope are off, so that a machine-wide file never shows through as
// a user's preference.
#pragma once

#include <QSettings>

#include "desktop/logic/preferences.h"

namespace zemo::desktop::ui {

class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    bool has_group(const std::string& group) const override;
    std::optional<std::string> get(const std::string& group, const std::string& key) const override;
    void set(const std::string& group, const std::string& key, const std::string& value) override;
    // Writes pending changes to the store.
    void sync() { settings_.sync(); }

private:
    mutable QSettings settings_;
};

// The machine-wide installation entry as the console program finds it
// (platform::installation_root): one group, the version key, with RootDir.
class InstallationStore : public SettingsStore {
public:
    InstallationStore(std::string group, std::string root_dir);
    bool has_group(const std::string& group) const override { return !root_dir_.empty() && group == group_; }
    std::optional<std::string> get(const std::string& group, const std::string& key) const override;
    void set(const std::string&, const std::string&, const std::string&) override {}  // read only

private:
    std::string group_, root_dir_;
};

}  // namespace zemo::desktop::ui
