// The picture of one pollutant's field as a PNG map: the field in a
// perceptually uniform colour scale with its legend, the limit contour when
// the field reaches the limit, the sources on top, a scale bar, a north
// arrow that honours the grid rotation, Czech titles. Drawn with cairo; no
// windowing toolkit.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "maps/raster.h"

namespace zemo::maps {

using Point = std::pair<double, double>;  // x (easting), y (northing) in m
using Polyline = std::vector<Point>;

// The sources as they lie on the map.
struct MapSources {
    std::vector<Point> stacks;
    std::vector<std::array<Point, 2>> roads;  // segment ends
    std::vector<std::array<Point, 4>> areas;  // corners of the square, in order
};

struct PictureSpec {
    std::string title;     // UTF-8, e.g. "Průměrná roční koncentrace NO2"
    std::string subtitle;  // UTF-8, e.g. the project and the date of the run
    std::string unit = "µg/m³";
    // The limit whose contour is drawn; none when not positive.
    double limit = 0;
    std::string limit_label;  // UTF-8, e.g. "limit 40 µg/m³"
    // The limit contour (lines where the field equals the limit), computed
    // by the caller; drawn when not empty.
    std::vector<Polyline> limit_contour;
    // The reference points, drawn as small dots where given (an
    // interpolated field: they show where its values come from).
    std::vector<Point> receptors;
    // Azimuth of grid north clockwise from geographic north, in degrees (the
    // run's grid rotation). The map's up is grid north, so the north arrow
    // points -grid_north_azimuth degrees clockwise from up: for S-JTSK
    // (-7.8 at Prague) it leans 7.8 degrees to the right.
    double grid_north_azimuth = 0;
    int width = 1200;   // pixels
    int height = 1000;  // pixels
};

// Draws the field (NaN cells transparent/white) with the sources and the
// decorations into a PNG at path. False with a reason in *error when the
// picture cannot be made or written.
bool write_map_png(const Raster& field, const MapSources& sources, const PictureSpec& spec, const std::string& path,
                   std::string* error);

}  // namespace zemo::maps
