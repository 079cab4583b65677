// The parts of the map picture that numbers alone decide: the colour scale
// and its legend ticks, the scale bar, the north arrow, and where the map
// lies in the image. Kept apart from the drawing so that map_picture.cpp
// and its tests agree on them.
#pragma once

#include <string>
#include <vector>

#include "maps/map_picture.h"
#include "maps/raster.h"

namespace zemo::maps::picture {

// A colour with components from 0 to 1.
struct Rgb {
    double r = 0, g = 0, b = 0;
};

// Viridis at t from 0 (dark purple) to 1 (yellow); t outside is clamped,
// NaN gives the bottom.
Rgb viridis(double t);

// The values the colours run over: from low (0, or a round value below a
// negative minimum) to a round high, with round ticks step apart.
struct ColourScale {
    double low = 0;
    double high = 1;
    double step = 0.2;
};

// The scale for a field's finite minimum and maximum: high is the maximum
// rounded up to 1, 2, 2.5 or 5 x 10^k, so that 5 or 6 ticks are round; a
// field of zeros still gets a scale from 0 to 1. A field whose minimum lies
// further above 0 than its range spans runs from its minimum rounded down
// to its maximum rounded up, on the ticks of its range.
ColourScale colour_scale(double min, double max);
// Where value lies on the scale, 0 at low and 1 at high (not clamped).
double scale_fraction(const ColourScale& scale, double value);
std::vector<double> scale_ticks(const ColourScale& scale);
// A tick value with the decimals its step needs and a decimal comma.
std::string tick_label(double value, double step);

// The scale bar's length for a map width_m wide: 1, 2 or 5 x 10^k m, about
// a fourth to a fifth of the width; 0 for an unusable width.
double scale_bar_length(double width_m);
// "500 m", "1 km", "2,5 km", "0,5 m".
std::string length_label(double metres);

// A point of the image in pixels, y downwards.
struct Pixel {
    double x = 0, y = 0;
};

// The north arrow, length pixels long around centre, pointing from base to
// tip at geographic north: grid_north_azimuth degrees clockwise from
// geographic north to grid north, which is up in the image.
struct Arrow {
    Pixel base, tip;
};
Arrow north_arrow(Pixel centre, double length, double grid_north_azimuth);

// The map's place in the image: the raster's north-west corner at (left,
// top), metres equal in x and y.
struct MapArea {
    double left = 0, top = 0;      // pixels
    double width = 0, height = 0;  // pixels
    double pixels_per_metre = 1;
    double west = 0, north = 0;  // m

    Pixel pixel(const Point& p) const {
        return {left + (p.first - west) * pixels_per_metre, top + (north - p.second) * pixels_per_metre};
    }
};

// write_map_png that also tells where the map was drawn (area may be null).
bool write_map_png(const Raster& field, const MapSources& sources, const PictureSpec& spec, const std::string& path,
                   std::string* error, MapArea* area);

// Frees the fonts that cairo and fontconfig keep for the whole process, so
// that a leak check at exit sees nothing of them. Only at the end of a
// process, after the last picture, when no other thread draws text.
void release_drawing_caches();

}  // namespace zemo::maps::picture
