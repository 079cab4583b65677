// What a map is made of: the project and its inputs read by the model's own
// readers (so that identifiers, coordinates and the grid rotation are the
// ones the run used), and the basic result table read back, refused when it
// does not belong to a complete run of that project (the run's log records
// the size and CRC-32 of every result file it put in place).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "input/project_file.h"
#include "input/sources.h"

namespace zemo::maps {

// A refusal or failure of the map tool; what() is a Czech text in UTF-8.
class MapError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every text here is UTF-8 (the command line, the desktop's fields).
struct MapOptions {
    std::string computation_directory = ".";
    std::string project_file;            // relative to the computation directory
    std::string run_log;                 // the run's log when zemo was given -l
    std::string output_directory;        // empty: "mapy" in the project's output directory
    std::string installation_directory;  // etc/ and data/ of the installation
    // The log must name the project file. The desktop program's runs read
    // no project file, so their logs name none; the desktop program knows
    // the log is its own last run's and clears this.
    bool log_names_project = true;
};

// The basic result table read back: every column under its name.
struct ResultTable {
    std::string path;                          // UTF-8, as opened
    std::vector<std::string> columns;          // the identifier column first
    std::vector<std::string> ids;              // per row
    std::vector<std::vector<double>> numbers;  // per column after the first, per row
    // The values of a numeric column, nullptr when there is none.
    const std::vector<double>* column(const std::string& name) const;
    int index_of(const std::string& name) const;  // -1 when none
};

struct Receptor {
    std::string id;  // UTF-8
    double x = 0, y = 0;
};

struct MapProject {
    std::string project_path;  // UTF-8
    std::string project_name;  // base name without extension, UTF-8
    int projection = kProjectionJina;
    double rotation = 0;                // the run's grid rotation, degrees
    std::vector<Pollutant> pollutants;  // indicatives and names in Windows-1250 as read
    std::vector<Receptor> receptors;    // every reference point, in table order
    Sources sources;
    ResultTable basic;
    std::string run_log;           // the log that showed the complete run (UTF-8)
    std::string output_directory;  // where the maps go (UTF-8, native separators, ending in '/')
    bool dbf = false;
    std::vector<std::string> notes;  // Czech lines for the user, UTF-8 (a log that records no digests)
};

// Reads the project (MapOptions are those of zemo's -d and -i), its inputs
// and the basic result table, and checks that the table belongs to a
// complete run of the project: the run's log must end the run with "O.K.",
// the table's size and CRC-32 must be those the log records for it (a log
// that records none, of a run that predates them, leaves a note instead),
// and the table must list the project's reference points, in order, and the
// columns of its pollutants. Throws MapError.
MapProject load_map_project(const MapOptions& options);

// A path in the form the file system takes: Windows-1250 to UTF-8 and, on
// POSIX, '\\' to '/'.
std::string native_path(const std::string& cp1250);

}  // namespace zemo::maps
