// The project file (".atm", the initialisation file of the messages) and
// ProjectConfig, the project's contents read by every later stage.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/run_options.h"
#include "input/input_table.h"

namespace zemo {

// Pollutant type ids, which select the model's behaviour.
enum PollutantTypeId : int {
    kTypeJina = 0,
    kTypeSO2 = 1,
    kTypePM10 = 10,
    kTypeTSP = 11,
    kTypeNOX = 20,
    kTypeNO2 = 21,
    kTypeCO = 30,
    kTypeORG = 40,
    kTypeBZN = 41,
};

struct PollutantType {
    const char* word;
    int id;
};
// The nine pollutant types in table order.
extern const PollutantType kPollutantTypes[9];

inline constexpr std::size_t kMaxIndicative = 5;
inline constexpr std::size_t kMaxPollutantName = 30;
inline constexpr int kMaxPollutants = 6;
inline constexpr int kMaxGridFiles = 3;
inline constexpr double kNotGiven = -9999.0;
// "PODILY LIMIT" is a share of Crok in percent: from 0 to this.
inline constexpr double kMaxShareThreshold = 100.0;
// Paths, the background text, the output directory and base names.
inline constexpr std::size_t kMaxProjectFilePath = 259;
// A line of the project file holds at most this many characters (leading
// blanks included), more than any item can fill with a value of the 259
// characters above; a longer line is not read further and ends the run.
inline constexpr std::size_t kMaxProjectLine = 1000;

struct Pollutant {
    std::string indicative;  // at most 5 characters, case kept
    int type = kTypeJina;    // PollutantTypeId
    double limit[2] = {0, 0};
    int limit_count = 1;   // 1 or 2
    double half_life = 0;  // hours, only for ORG
    std::string name;      // at most 30 characters
};

enum Projection : int { kProjectionJina = 0, kProjectionJtsk = 1, kProjectionS42 = 2 };
extern const char* const kProjectionNames[3];

enum ResultType : int { kResultBasic = 0, kResultStandard = 1, kResultExtended = 2 };
enum ResultFormat : int { kFormatDbf = 0, kFormatTxt = 1 };

struct ProjectConfig {
    std::string project_path;
    std::vector<InputTable> grid_files;  // reference point tables, up to 3
    int projection = kProjectionJina;
    double rotation = kNotGiven;
    bool rotation_given = false;
    std::vector<Pollutant> pollutants;  // up to 6; position = pollutant index
    int no2_count = 0;
    InputTable point_sources, line_sources, area_sources;
    int source_kinds = 0;    // 0..3
    InputTable transfers;    // the transfers file entry ...
    std::string background;  // ... or the background text
    bool transfers_given = false;
    bool background_given = false;
    InputTable wind_roses;
    int result_type = kResultStandard;
    int result_format = kFormatTxt;
    double limit_share_threshold = 1.0;
    std::string output_directory_value;  // "ADRESAR" as read (echo)
    std::string output_directory;        // ends in the separator after reading
    std::string base_basic = "IHrIHk";
    std::string base_source_shares = "Pzdroju";
    std::string base_group_shares = "Pskupin";
    std::string base_sector_max = "Smax";
    std::string base_sector_mean = "Sprum";
    std::string base_report = "detalni";

    // A named fresh value moved in: assigning a temporary ProjectConfig{}
    // makes GCC 12 at -O3 warn falsely (-Wmaybe-uninitialized) about its
    // strings wherever reset() is inlined.
    void reset() {
        ProjectConfig fresh;
        *this = std::move(fresh);
    }
    bool computes_no2() const { return no2_count > 0; }
};


// The project file of a run: the -i value, else the computation directory,
// the program name and ".atm" (a path, like every path of the run, taken in
// the computation directory).
std::string project_file_path(const RunOptions& options);

// Reads the project file at path (opened in in.directory), echoes it at
// level 2, derives the output directory (default_output_directory when
// neither the project nor its path names one) and sets the log's copy
// path. Every fatal condition ends the stage through a fatal message.
ProjectConfig read_project(const std::string& path, const std::string& default_output_directory, InputContext& in);

// The type code of a file entry as the project file and its echo give it:
// -1 undetermined, 0 DBF, 2 FIX, 10 TSV, 11 CSV, 12 SSV.
int project_type_code(const InputTable& table);

}  // namespace zemo
