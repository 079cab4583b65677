// Emission sources held as parallel arrays per field: SrcP_ (point), SrcL_
// (line), SrcA_ (area), one emission array per pollutant (value as read x
// 1,000,000, so micrograms per second), and the group table.
//
// The reader works in passes over the project's source tables, always in
// the kind order point, line, area:
//
//   Count  - fixes each table's type, checks the DBF field list or the text
//            identifiers, counts the records, refuses counts whose run
//            would not fit in memory (capacity.h; the fatal "nedostatek
//            paměti" naming the table) and allocates every array;
//   Fill   - reads every record, checks it, stores it at its index, builds
//            the group table and writes the overview;
//   Test   - the single-file test of the desktop program: Count and then
//            Fill with every wind-rose look-up skipped (no roses are loaded
//            during a test; the stored rose index is then -1).
//
// Invariants after a successful Fill:
//   1. every array of a kind holds exactly NP, NL or NA elements; the
//      no2_nox arrays hold the ratios read when NO2 is computed and 0
//      otherwise (the tables then have no such column), so that they can
//      be indexed like every other array;
//   2. SrcX_e[i] has one element per source for every pollutant i of the
//      project, in project order;
//   3. groups holds at most kMaxGroups distinct numbers in order of first
//      appearance; group_counts[k] are the point, line and area sources of
//      groups[k]; max_group is the highest group number (0 without groups).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "input/input_table.h"
#include "input/project_file.h"
#include "input/wind_roses.h"

namespace zemo {

enum SourceClass : int { kClassRemote = 0, kClassOther = 1, kClassTraffic = 2 };
enum SourceKind : int { kPointSources = 0, kLineSources = 1, kAreaSources = 2 };
inline constexpr int kMaxGroups = 100;
inline constexpr std::size_t kMaxSourceId = 9;

struct Sources {
    int NP = 0, NL = 0, NA = 0, total = 0;

    // point sources
    std::vector<std::string> SrcP_id;
    std::vector<int> SrcP_class, SrcP_group, SrcP_wrose;
    std::vector<double> SrcP_x, SrcP_y, SrcP_z, SrcP_h, SrcP_q, SrcP_doba, SrcP_no2_nox;
    std::vector<std::vector<double>> SrcP_e;  // [pollutant][source]

    // line sources: start point x, y, z and end point x1, y1, z1
    std::vector<std::string> SrcL_id;
    std::vector<int> SrcL_class, SrcL_group, SrcL_wrose;
    std::vector<double> SrcL_x, SrcL_y, SrcL_z, SrcL_x1, SrcL_y1, SrcL_z1, SrcL_dx, SrcL_doba, SrcL_no2_nox;
    std::vector<std::vector<double>> SrcL_e;

    // area sources
    std::vector<std::string> SrcA_id;
    std::vector<int> SrcA_class, SrcA_group, SrcA_wrose;
    std::vector<double> SrcA_x, SrcA_y, SrcA_z, SrcA_h, SrcA_q, SrcA_dx, SrcA_doba, SrcA_no2_nox;
    std::vector<std::vector<double>> SrcA_e;

    // group table: distinct group numbers in order of first appearance
    // (point, then line, then area sources)
    std::vector<int> groups;
    std::vector<std::array<int, 3>> group_counts;  // per group: point, line, area sources
    int max_group = 0;

    void reset() { *this = Sources{}; }
    // Group number and identifier of source j in the order points, lines, areas.
    int group_of(int j) const;
    const std::string& id_of(int j) const;
    // Position of a group number in the group table, -1 when none.
    int group_index(int group) const;
};


// Reads the project's source tables (opened in in.directory): the counting
// pass, which sizes the arrays within the memory ceiling (memory_limit as
// RunOptions holds it), then the filling pass, which checks, stores and
// builds the group table, looking each source's wind rose up in roses.
// A fault is a fatal message.
Sources read_sources(const ProjectConfig& project, const WindRoses& roses, std::uint64_t memory_limit,
                     InputContext& in);
// One pass: Count alone (the arrays sized, nothing stored), Fill (count,
// then fill: the run's reading) or Test, the desktop's check of one kind's
// table, which fills without any wind-rose look-up.
Sources read_sources(ReaderPass pass, const ProjectConfig& project, const WindRoses& roses, std::uint64_t memory_limit,
                     InputContext& in);

// The DBF field list of a source kind: the expected names in their fixed
// order ("ID", coordinates, ..., ["NO2_NOX"], "E_" + upper-cased indicative
// per pollutant of the project) and the positions (from 0) of the integer
// fields TRIDA, SKUPINA and RUZICE.
void source_dbf_fields(const ProjectConfig& project, int kind, std::vector<std::string>& names,
                       std::vector<int>& integer_positions);

// Test hook: the allocation of the named array (for example "SrcL_dx" or
// "SrcP_e[1]") fails as if memory were exhausted. An empty name switches
// the hook off.
void simulate_source_allocation_failure(const std::string& array_name);

}  // namespace zemo
