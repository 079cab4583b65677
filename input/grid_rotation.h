// Grid rotation of the national projections: the angle between the grid
// north of the coordinates and the north of the wind directions, looked up
// at the centre of the reference points in the projection's rotation grid
// (installation directory + "data" + separator + "rot" + name + ".abn").
// The value is the azimuth of grid north (increasing y) measured clockwise
// from geographic north, in degrees: the computation subtracts it from the
// geographic wind directions (see docs/rotation.md).
#pragma once

#include <string>

namespace zemo {

class RunLog;
struct ProjectConfig;
struct ReferencePointTables;

// The rotation grid of a national projection (1 JTSK, 2 S42) in the
// installation directory (ending in a separator).
std::string rotation_grid_path(const std::string& installation_directory, int projection);

// The rotation for the project's projection at the centre of the reference
// points, looked up in the installation's grid (the caller stores it in
// ProjectConfig::rotation); a fault is fatal. A local grid ("JINA") reads
// no grid: its rotation is the project's own.
double look_up_rotation(const ProjectConfig& project, const ReferencePointTables& points,
                        const std::string& installation_directory, RunLog& log);
// The same from an explicit grid file and centre (tests, tools): checks the
// header against the file's size, refuses a centre on or outside the border
// of the area or in a cell beyond the last node, and combines the cell's
// four nodes by inverse squared distance in single precision.
double look_up_rotation_in(RunLog& log, const std::string& grid_path, const char* projection_name, double centre_x,
                           double centre_y);

}  // namespace zemo
