// ModelSettings: the model constants of the methodology, which the settings
// file etc/zemo.cfg may override. Loaded once per run during initialisation.
#pragma once

#include <string>

#include "base/run_log.h"
#include "input/case_layout.h"

namespace zemo {

struct ModelSettings {
    int directions = 0;                            // wind-rose directions, 1..48
    double classSpeed[kSpeedClasses] = {0, 0, 0};  // m/s at 10 m of the three speed classes
    double buildingCharacter[2] = {0, 0};          // area sources: class 1, traffic (class 2)
    double emissionPeakRatio[2] = {0, 0};          // peak/mean emission: lines, areas (NOX, NO2, CO)

    void reset() { *this = ModelSettings{}; }
    void set_methodology_defaults();
};

// Methodology values (the built-in defaults).
inline constexpr int kMethodDirections = 48;
inline constexpr double kMethodClassSpeed[kSpeedClasses] = {1.7, 5.0, 11.0};
inline constexpr double kMethodBuildingCharacter[2] = {0.8, 1.0};
inline constexpr double kMethodEmissionPeakRatio[2] = {2.4, 1.0};

inline void ModelSettings::set_methodology_defaults() {
    directions = kMethodDirections;
    for (int i = 0; i < kSpeedClasses; ++i) classSpeed[i] = kMethodClassSpeed[i];
    for (int i = 0; i < 2; ++i) buildingCharacter[i] = kMethodBuildingCharacter[i];
    for (int i = 0; i < 2; ++i) emissionPeakRatio[i] = kMethodEmissionPeakRatio[i];
}


// The settings file of an installation (its directory ends in the separator).
std::string model_settings_path(const std::string& installation_directory);

// Where a run's settings came from: the file, or the methodology defaults
// taken because the file cannot be opened (reported; the run goes on).
enum class SettingsSource { File, Defaults };
struct LoadedSettings {
    ModelSettings values;
    SettingsSource source = SettingsSource::File;
};
// Loads a settings file; a value out of range is a fatal message.
LoadedSettings load_model_settings(const std::string& path, RunLog& log);

}  // namespace zemo
