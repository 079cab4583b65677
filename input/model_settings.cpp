// The model settings loader (etc/zemo.cfg).
//
// The file holds four counted lines (comments "#" and empty lines are not
// counted): the direction count, the three class speeds, the two
// building-character factors and the two peak-to-mean emission ratios.
// Every value that differs from the methodology adds its group's weight to
// the deviation sum D; the weights keep the groups apart (at most two
// ratios 2*4 < 30, two factors 2*30 + 8 < 200, three speeds
// 3*200 + 68 < 1000), so the report can name each deviating group.
//
// Checks after reading, in this order: a class speed that is not above zero
// (it divides every concentration; a negative speed would give negative
// concentrations, and "nan" reads as a number too), a direction count outside
// 1..48 (the concentration matrix holds 48 directions per speed class), a peak
// ratio that is not positive (it divides the annual emission of roads); then
// the deviation report.
#include "input/model_settings.h"

#include <cmath>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "base/format.h"
#include "base/numbers.h"
#include "base/platform.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "base/text.h"

namespace zemo {


namespace {

constexpr double kTolerance = 0.00001;
constexpr int kWeightDirections = 1000;
constexpr int kWeightSpeed = 200;
constexpr int kWeightBuilding = 30;
constexpr int kWeightRatio = 4;

// The tokens of one tokenising pass at ",": empty tokens do not count.
std::vector<std::string> tokens(std::string_view line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= line.size()) {
        auto comma = line.find(',', start);
        if (comma == std::string_view::npos) comma = line.size();
        if (comma > start) out.emplace_back(line.substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

// Reads count single-precision values of counted line number `counted`
// into values and adds weight to D for each that deviates from method.
void read_values(RunLog& log, const std::string& line, int counted, int count, double* values, const double* method,
                 int weight, int& deviation) {
    const std::vector<std::string> t = tokens(line);
    for (int i = 0; i < count; ++i) {
        if (i >= static_cast<int>(t.size()))
            log.messagef(kFatalData, "nedostateený počet údajů na řádce %i"_cz, counted);
        float value = 0;  // a token that holds no number gives 0
        if (!scan_float(t[i], value)) value = 0;
        values[i] = static_cast<double>(value);
        if (std::fabs(values[i] - method[i]) > kTolerance) deviation += weight;
    }
}

}  // namespace

LoadedSettings load_model_settings(const std::string& path, RunLog& log) {
    LoadedSettings loaded;
    ModelSettings& s = loaded.values;
    File file;
    if (!file.open(path, "r")) {
        log.message(kErrorOpen, with_cause(path, path, file.error()));
        log.message(kErrorData, "Používám default hodnoty"_cz);
        s.set_methodology_defaults();
        loaded.source = SettingsSource::Defaults;
        return loaded;
    }
    int deviation = 0;
    int counted = 0;
    std::string raw;
    while (file.read_line(raw)) {
        // Blanks at the start of a line and empty lines are passed over
        // wherever they stand, also before the first line.
        std::size_t start = 0;
        while (start < raw.size() && (raw[start] == ' ' || raw[start] == '\t' || raw[start] == '\r' ||
                                      raw[start] == '\v' || raw[start] == '\f'))
            ++start;
        if (start == raw.size()) continue;
        const std::string line = raw.substr(start);
        if (line[0] == '#') continue;
        ++counted;
        switch (counted) {
            case 1: {
                int directions = 0;  // a line that holds no number gives 0
                if (!scan_int(line, directions)) directions = 0;
                s.directions = directions;
                if (directions != kMethodDirections) deviation += kWeightDirections;
                break;
            }
            case 2: read_values(log, line, counted, 3, s.classSpeed, kMethodClassSpeed, kWeightSpeed, deviation); break;
            case 3:
                read_values(log, line, counted, 2, s.buildingCharacter, kMethodBuildingCharacter, kWeightBuilding,
                            deviation);
                break;
            case 4:
                read_values(log, line, counted, 2, s.emissionPeakRatio, kMethodEmissionPeakRatio, kWeightRatio,
                            deviation);
                break;
            default: log.message(kErrorData, "Očekáván konec souboru (CFG)"_cz); break;
        }
    }
    file.close();

    for (double speed : s.classSpeed)
        if (!(speed > 0)) log.message(kFatalData, "Modelová rychlost nesmí být nulová (CFG soubor)"_cz);
    if (s.directions < 1 || s.directions > 48)
        log.messagef(kFatalData, "Počet směrů větrné růžice %i mimo rozsah <1,48> (CFG soubor)"_cz, s.directions);
    for (double ratio : s.emissionPeakRatio)
        if (!(ratio > 0)) log.message(kFatalData, "Poměr mezi max a prům emisí musí být kladný (CFG soubor)"_cz);

    if (deviation != 0) {
        log.message(kErrorData, "Výpočet není prováděn s nastavením dle metodiky"_cz);
        if (deviation >= kWeightDirections) {
            log.messagef(kErrorData, "   Počet směrů větrné růžice: %i/%i"_cz, s.directions, kMethodDirections);
            deviation -= kWeightDirections;
        }
        if (deviation >= kWeightSpeed) {
            log.messagef(kErrorData, "   Třídní rychlosti: %.2f/%.2f, %.2f/%.2f, %.2f/%.2f"_cz, s.classSpeed[0],
                         kMethodClassSpeed[0], s.classSpeed[1], kMethodClassSpeed[1], s.classSpeed[2],
                         kMethodClassSpeed[2]);
            while (deviation >= kWeightSpeed) deviation -= kWeightSpeed;
        }
        if (deviation >= kWeightBuilding) {
            log.messagef(kErrorData, "   Charakter zástavby: %.2f/%.2f, %.2f/%.2f"_cz, s.buildingCharacter[0],
                         kMethodBuildingCharacter[0], s.buildingCharacter[1], kMethodBuildingCharacter[1]);
            while (deviation >= kWeightBuilding) deviation -= kWeightBuilding;
        }
        if (deviation >= kWeightRatio) {
            log.messagef(kErrorData, "   Poměr mezi max a prům emisí: %.2f/%.2f, %.2f/%.2f"_cz, s.emissionPeakRatio[0],
                         kMethodEmissionPeakRatio[0], s.emissionPeakRatio[1], kMethodEmissionPeakRatio[1]);
        }
    }
    return loaded;
}

std::string model_settings_path(const std::string& installation_directory) {
    return installation_directory + "etc" + platform::kDirSeparator + "zemo.cfg";
}

}  // namespace zemo
