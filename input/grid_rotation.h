// Grid rotation of the national projections: the angle between the grid
// north of the coordinates and the north of the wind directions, looked up
// at the centre of the reference points in the projection's rotation grid.
#pragma once

#include <string>

namespace zemo {

// Looks the rotation up for the project's projection at the centre of the
// reference points and stores it in ProjectConfig::rotation: 0 or -100.
int look_up_rotation();
// The same from an explicit grid file and centre (tests, tools).
int look_up_rotation_in(const std::string& grid_path, const char* projection_name, double centre_x,
                        double centre_y, double& rotation);

}  // namespace zemo
