// The detailed point report (result type extended): one text file per
// pollutant; for every reference point, sector by sector, the worst
// short-term case with its classes, the exceedance of each limit, the
// minimum, and the shares of the source groups and of the larger sources in
// the concentration of the worst case.
//
// Layout of one point's block (Windows-1250, CR LF):
//
//   <empty line>
//   ************************************
//   <empty line>
//   BOD ČÍSLO: <id>
//    souřadnice X, Y, Z: x, y, z        (z includes the height above terrain)
//    výška nad terénem:  h
//    větrná růžice:      <rose identifier>
//   then per sector s = 0..15 a separator (" ---------" without a line end
//   for s = 0, " ==================" for the others), the direction heading,
//   and either the sector's maximum, exceedances, minimum and share lists,
//   or, for a sector that no case of the rose reaches, the single line
//   " V tomto sektoru nenastává žádná meteorologická situace."
#pragma once

#include <string>
#include <vector>

#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "model/concentration.h"
#include "output/output_table.h"
#include "output/point_statistics.h"

namespace zemo {

// The sources as the result rows and the report list them: identifiers
// and group positions in the order points, lines, areas, and the group
// table with its positions in ascending group number.
struct SourceList {
    std::vector<std::string> ids;
    std::vector<int> group_position;  // per source: position in the group table
    std::vector<int> group_numbers;   // the group table (order of first appearance)
    std::vector<int> ascending;       // group-table positions by ascending group number
    std::vector<double> group_work;   // scratch, one entry per group

    // Fills the list from the loaded sources.
    void load(const Sources& sources);
    // Fills the list from explicit identifiers and group numbers (tests);
    // the group table is built in order of first appearance.
    void assign(const std::vector<std::string>& source_ids, const std::vector<int>& source_groups);
    int count() const { return static_cast<int>(ids.size()); }
};

// Index of a case slot from the 1-based classes and the direction.
constexpr int worst_case_slot(int stability, int speed, int direction) {
    return case_slot(stability - 1, speed - 1, direction);
}

// The first line of a pollutant's report: "<name> (<indicative>)".
void write_report_title(File& report, const Pollutant& pollutant);

// One point's blocks for pollutant p. point.z is the receptor elevation as
// the computation leaves it (terrain plus height above terrain); rose_id
// is the identifier of the point's wind rose; threshold is the limit share
// threshold, whose double selects the sources listed.
void write_point_report(File& report, const ReferencePoint& point, int rose_id, const Pollutant& pollutant,
                        const PollutantStatistics& stats, const ConcMatrix& conc, int p, SourceList& sources,
                        double threshold);

}  // namespace zemo
