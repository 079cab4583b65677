#include "desktop/qt/qt_settings_store.h"

#include "desktop/qt/qt_text.h"

namespace zemo::desktop::ui {

QtSettingsStore::QtSettingsStore()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ZEMO"), QStringLiteral("Model ZEMO")) {
    settings_.setFallbacksEnabled(false);
}

bool QtSettingsStore::has_group(const std::string& group) const {
    return settings_.childGroups().contains(qt_text(group));
}

std::optional<std::string> QtSettingsStore::get(const std::string& group, const std::string& key) const {
    const QString path = qt_text(group) + QLatin1Char('/') + qt_text(key);
    if (!settings_.contains(path)) return std::nullopt;
    return logic_text(settings_.value(path).toString());
}

void QtSettingsStore::set(const std::string& group, const std::string& key, const std::string& value) {
    settings_.setValue(qt_text(group) + QLatin1Char('/') + qt_text(key), qt_text(value));
}

InstallationStore::InstallationStore(std::string group, std::string root_dir)
    : group_(std::move(group)), root_dir_(std::move(root_dir)) {}

std::optional<std::string> InstallationStore::get(const std::string& group, const std::string& key) const {
    if (!has_group(group) || key != "RootDir") return std::nullopt;
    return root_dir_;
}

}  // namespace zemo::desktop::ui
