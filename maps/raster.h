// A raster of one quantity over the project's plane: x the easting, y the
// northing (the model's axes, whatever the coordinate system's own axis
// order is), rows from north to south as in a GeoTIFF.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

namespace zemo::maps {

struct Raster {
    double west = 0;    // x of the western edge of column 0
    double north = 0;   // y of the northern edge of row 0
    double cell_x = 1;  // cell width (m)
    double cell_y = 1;  // cell height (m), positive
    int columns = 0;
    int rows = 0;
    std::vector<double> values;  // row-major, row 0 northmost; NaN: no value

    static constexpr double kNoData = std::numeric_limits<double>::quiet_NaN();

    double& at(int column, int row) { return values[static_cast<std::size_t>(row) * columns + column]; }
    double at(int column, int row) const { return values[static_cast<std::size_t>(row) * columns + column]; }
    // The centre of a cell.
    double x_of(int column) const { return west + (column + 0.5) * cell_x; }
    double y_of(int row) const { return north - (row + 0.5) * cell_y; }
    double east() const { return west + columns * cell_x; }
    double south() const { return north - rows * cell_y; }
};

}  // namespace zemo::maps
