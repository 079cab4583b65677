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

struct ProjectConfig;
struct WindRoses;

inline constexpr std::size_t kMaxPointId = 10;

struct ReferencePoint {
    std::string id;  // at most 10 characters
    double x = 0, y = 0;
    double z = 0;       // terrain elevation (the computation adds the height)
    double height = 0;  // height above terrain
    int wind_rose = 0;  // index in Wnd_id
};

enum class PointReaderMode { Loading, Computing, Test };

// An open reference-point table being read record by record.
struct PointCursor {
    File file;
    DbfHeader dbf;    // for DBF tables, read by open_point_table
    int counter = 0;  // lines read (text) or the next record (DBF)
};

struct ReferencePointTables {
    // The project's tables as the loading pass read them, their types
    // detected: the computation reads them again from here.
    std::vector<InputTable> tables;
    std::vector<int> counts;  // per table
    int total = 0;
    double centre_x = 0, centre_y = 0;
    // The extent over every point read by the loading pass, in single
    // precision as the overview prints it.
    float min_x = 1e32f, max_x = -1e32f, min_y = 1e32f, max_y = -1e32f;
    float min_z = 1e32f, max_z = -1e32f, min_height = 1e32f, max_height = -1e32f;
    int min_rose = 0, max_rose = 0;
    int points_read = 0;  // points yielded (empty DBF records not included)

    void reset() { *this = ReferencePointTables{}; }
};

// Opens a table (one of ReferencePointTables::tables, its type known) for
// reading and, for a DBF table, reads its header; a table that cannot be
// opened is fatal. The field list is checked by the loading pass.
void open_point_table(InputContext& in, const InputTable& table, PointCursor& cursor);

enum class PointRead {
    Point,               // point holds the next point
    End,                 // no more records
    SkippedEmptyRecord,  // an empty DBF record (reported except in the computing mode)
};
// Reads the next point of the table open in cursor; a fault is fatal. The
// loading and computing modes replace the wind-rose identifier read by the
// rose's index in roses.Wnd_id; the test mode keeps the identifier as read.
PointRead read_next_point(InputContext& in, const WindRoses& roses, PointReaderMode mode, const InputTable& table,
                          PointCursor& cursor, ReferencePoint& point);

// The loading pass over every table of the project (type detection,
// checks, counts, extent, centre, overview); a fault is fatal. The test
// mode is the desktop program's single-file test, without any wind-rose
// look-up (roses may be empty).
ReferencePointTables load_reference_points(const ProjectConfig& project, const WindRoses& roses, InputContext& in,
                                           PointReaderMode mode = PointReaderMode::Loading);

}  // namespace zemo
