// Line sources (road segments at ground level): a finite line source with
// initial vertical and lateral spreads from the road width; the crosswind
// integral over the segment is a pair of error functions. Wind at 10 m, no
// profile and no turning.
//
// A receptor standing on the road (within half the road width of its axis
// and inside the box of the end points) is moved onto the axis, and 1 m
// further in x and y when it would land on the segment's midpoint.
//
// A segment's column in Conc is given by the caller (segments out of
// reach of the receptor have none).
#pragma once

#include <vector>

#include "model/concentration.h"
#include "model/run_setup.h"

namespace zemo {

// Per-run values of the line sources, which do not depend on the receptor.
struct PreparedLines {
    int NL = 0;
    std::vector<char> has_length;  // Ls >= 0.00001
    std::vector<double> length, mid_x, mid_y, mid_z, half_length;
    std::vector<double> bearing;  // alpha, degrees
    // per direction, [direction_index(d, NL, i)]: l sin(beta) and |l cos(beta)|
    std::vector<double> l_sin, l_cos;
    // per class, [class_index(i, k)]: sigma_z0 (at least the class minimum), xvy, xvz
    std::vector<double> sigma_z0, xvy, xvz;
    std::vector<double> sigma_y0;
    // peak emission per metre, [p][i]
    std::vector<std::vector<double>> peak_emission;
};

PreparedLines prepare_line_sources(const RunSetup& run);

// Road bearing alpha in degrees, clockwise from the grid's north, of the
// vector (ddx, ddy) from the second end point to the first.
double road_bearing(double ddx, double ddy);
// The angle between wind (psi, degrees in [0, 360)) and road (alpha),
// folded into 0..90 degrees.
double wind_road_angle(double psi, double alpha);
// The wind angle phi (radians) as degrees in [0, 360).
double wind_degrees(double phi);

// The receptor position used for segment i (the receptor itself, or its
// foot on the road axis).
void road_receptor(const Sources& src, int i, double xr, double yr, double& xu, double& yu);

// Per point: the receptor positions used for each segment (set for the
// listed segments only).
struct LineReceptors {
    std::vector<double> x, y;
};
void place_line_receptors(const RunSetup& run, const Receptor& rec, const std::vector<int>& lines, LineReceptors& out);

// Segment i, whose column in Conc is `column`, in every direction:
// slot(k, s, d) of every class and speed class, and for class IV the
// annual slot. The distances are taken once per direction, sigma_y,
// sigma_z and the crosswind integral once per class.
void line_source(const RunSetup& run, const PreparedLines& lines, const LineReceptors& at, const Receptor& rec, int i,
                 int column, ConcMatrix& conc);

}  // namespace zemo
