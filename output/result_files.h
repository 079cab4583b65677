// The result files of a run: created with their headers before the
// computation, one set of rows per reference point, DBF tables completed
// at the end of the run.
//
// File set (ind = a pollutant's indicative, pollutants in project order):
//   basic table         <ZAKLADNI>.txt|.dbf              every result type
//   source shares       <PODILY ZDROJU>_ind.txt|.dbf     standard, extended
//   group shares        <PODILY SKUPIN>_ind.txt|.dbf     standard, extended
//   sector maxima       <SEKTORY MAX>_ind.txt|.dbf       standard, extended
//   sector means        <SEKTORY PRUM>_ind.txt|.dbf      standard, extended
//   detailed report     <ROZSIRENY>_ind.txt (always)     extended
// A base name with a directory part is used as it is, any other is put in
// the output directory; a relative path is opened in the run's computation
// directory (RunOptions::computation_directory), and every message names it
// as it is.
//
// Life of the set within one run:
//   prepare_result_files -> write_point_results per point -> complete_result_files
//        -> close_result_files
// After a fatal stop in between, close_result_files_after_stop closes every
// file as it is (the tables keep what was written); the end of the run then
// completes and closes them as ever. reset_result_files forgets the set.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/run_log.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/run_inputs.h"
#include "model/concentration.h"
#include "output/output_table.h"
#include "output/point_statistics.h"

namespace zemo {

// The result files of a run, owned by the run: the tables from their
// preparation to their closing (empty before and after).
struct ResultSet;
// A result file as it was created: the path as the run names it, the name
// the file system finds it under and the name it was written under (the
// same unless the files are written under temporary names).
struct CreatedResultFile {
    std::string path;
    std::string name;
    std::string written;
};
struct ResultFiles {
    ResultFiles();
    ~ResultFiles();
    std::unique_ptr<ResultSet> set;
    // Set before the preparation: every file is written under its name and
    // this suffix (created afresh, never through a link planted there), and
    // announced before it is created; empty writes the files under their
    // own names.
    std::string temporary_suffix;
    std::function<void(const std::string& written)> before_create;
    // Every file created by the preparation, in its order; kept after the
    // files are closed.
    std::vector<CreatedResultFile> created;
};

// Creates every file of the project's result set with its header; a file
// that cannot be created is the fatal message 31 naming it.
// First, before any file is created, the column names of every table are
// checked as the format writes them (TXT exactly; DBF in the first 11
// characters, case-insensitively): two alike are the fatal message 33
// naming both, and no file is created or emptied.
void prepare_result_files(const RunInputs& in, ResultFiles& files, RunLog& log);
// Writes the rows of one point (and its detailed report blocks) to every
// table and flushes them, so that the results of each finished point are
// on disk. A number too long for its DBF field is written as the overflow
// mark and reported as a counted error naming the table, the field and the
// point (the first 20 of a table; the rest are counted at its close). point is the receptor as the computation leaves it: its z is the
// terrain elevation plus the height above terrain, wind_rose the index of
// its rose.
void write_point_results(const RunInputs& in, ResultFiles& files, RunLog& log, const ReferencePoint& point,
                         const ConcMatrix& conc, const PointStatistics& stats);
// Completes every DBF table (end mark, record count).
void complete_result_files(ResultFiles& files);
// Closes every result file; reports a counted error naming each file whose
// writing failed, and one with the total of overflowed numbers of a table
// that had more than were reported one by one. Returns false when any
// output was lost: a write failed or a number was written as the overflow
// mark.
bool close_result_files(ResultFiles& files, RunLog& log);
// After a fatal stop: flushes and closes every open result file as it is,
// without completing a DBF table and without a message, as the fatal path
// closes every open file of the run. The set stays, so that the end of the
// run reports what was lost.
void close_result_files_after_stop(ResultFiles& files);
// Closes the files and forgets the set.
void reset_result_files(ResultFiles& files);

// The path of a result file: base name (with the output directory unless
// it has a directory part), "_" and the indicative when one is given, and
// ".dbf" or ".txt".
std::string result_file_path(const ProjectConfig& project, const std::string& base, const std::string& indicative,
                             bool dbf);

// One file of the project's result set: its path and what it holds, as
// messages name it ("základní tabulka výsledků", "tabulka podílů zdrojů
// SO2", ...). Listed in the order prepare_result_files creates them.
struct PlannedResultFile {
    std::string path;
    std::string use;
};
std::vector<PlannedResultFile> planned_result_files(const ProjectConfig& project);

// The DBF field name of a group's share: at most 11 characters and
// different for every group number (the TXT name is always "Skupina_%i"):
//   -99 ... 999                       Skupina_%i  (the TXT name)
//   -99999 ... -100, 1000 ... 999999  Skup_%i
//   1000000 and above                 S%i
//   -100000 and below                 M and the number without its sign
std::string dbf_group_field_name(int group);

// The open result table with this path, nullptr when there is none (tests
// use it to make a table's writes fail as on a full disk).
OutputTable* find_result_table(ResultFiles& files, const std::string& path);

// The 16 output sector names from north clockwise.
extern const char* const kSectorNames[16];

}  // namespace zemo
