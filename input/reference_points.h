// Reference points (receptors). Not held in memory as a whole: the loading
// pass reads every table once to check and count it and to find the centre
// of the area; the computation reads the tables again point by point
// through the same record reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/files.h"
#include "input/input_table.h"

namespace zemo {

inline constexpr std::size_t kMaxPointId = 10;

struct ReferencePoint {
    std::string id;      // at most 10 characters
    double x = 0, y = 0;
    double z = 0;        // terrain elevation (the computation adds the height)
    double height = 0;   // height above terrain
    int wind_rose = 0;   // index in Wnd_id
};

enum class PointReaderMode { Loading, Computing, Test };

// An open reference-point table being read record by record.
struct PointCursor {
    File file;
    DbfHeader dbf;        // for DBF tables, read by open_point_table
    int counter = 0;      // lines read (text) or the next record (DBF)
};

struct ReferencePointTables {
    std::vector<int> counts;   // per table
    int total = 0;
    double centre_x = 0, centre_y = 0;
    // The extent over every point read by the loading pass, in single
    // precision as the overview prints it.
    float min_x = 1e32f, max_x = -1e32f, min_y = 1e32f, max_y = -1e32f;
    float min_z = 1e32f, max_z = -1e32f, min_height = 1e32f, max_height = -1e32f;
    int min_rose = 0, max_rose = 0;
    int points_read = 0;       // points yielded (empty DBF records not included)

    void reset() { *this = ReferencePointTables{}; }
};

ReferencePointTables& reference_point_tables();

// Opens table t of the project for reading and, for a DBF table, reads its
// header (an undetermined type is detected first); fatal when it cannot be
// opened. The field list is checked by the loading pass. Returns 0 or -100.
int open_point_table(int table, PointCursor& cursor);
// Reads the next point: 0 (a point), 1 (end of table), 100 (an empty DBF
// record skipped; reported except in the computing mode), -100 (fatal). The
// loading and computing modes replace the wind-rose identifier read by the
// rose's index in Wnd_id; the test mode keeps the identifier as read.
int read_next_point(PointReaderMode mode, int table, PointCursor& cursor, ReferencePoint& point);

// The loading pass over every table of the project (checks, counts, extent,
// centre, overview): 0 or -100. The test mode is the desktop program's
// single-file test, without any wind-rose look-up.
int load_reference_points(PointReaderMode mode = PointReaderMode::Loading);

}  // namespace zemo
