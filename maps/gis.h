// The GIS side of the maps, through GDAL: the coordinate system of a
// projection, the receptors' lattice or an interpolated grid, GeoTIFF
// rasters, the GeoPackage of receptors and sources, the limit contour.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "maps/map_data.h"
#include "maps/map_picture.h"
#include "maps/raster.h"

namespace zemo::maps {

// The EPSG code of a projection: 5514 (S-JTSK / Krovak East North) for JTSK,
// 28403 (Pulkovo 1942 / Gauss-Krüger zone 3) for S42, 0 for JINA (a local
// grid: no coordinate system).
int epsg_of_projection(int projection);

// The receptors' own grid: the lattice they lie on within 1 cm in x and y
// (equal steps, one receptor per node), as an empty raster whose cell
// centres are the nodes; none when they do not form one (fewer than two
// distinct x or y, uneven steps, two receptors on a node, or a lattice
// with more than 16 nodes per receptor).
std::optional<Raster> receptor_lattice(const std::vector<Receptor>& receptors);

// The cell size of an interpolated grid: the longer side of the receptors'
// extent / 200, rounded down to 1, 2 or 5 × 10^k m (at least 1 m).
double interpolation_cell(const std::vector<Receptor>& receptors);

// The values of one result column as a raster: on the receptors' lattice
// when they form one (each value in its node's cell, cells without a
// receptor empty), else interpolated linearly over a Delaunay triangulation
// of the receptors (GDAL's "linear" gridding) on a grid of
// interpolation_cell, empty outside their convex hull.
Raster field_raster(const std::vector<Receptor>& receptors, const std::vector<double>& values, bool* on_lattice);

// Writes a GeoTIFF (Float64, no-data -9999) with the projection's
// coordinate system (none for JINA). Throws MapError.
void write_geotiff(const Raster& raster, int epsg, const std::string& path);

// The lines where the raster equals level (GDAL's contour generator).
std::vector<Polyline> contour_lines(const Raster& raster, double level);

// The sources as they lie on the map: stacks, road segments, the corners of
// the squares (centre ± half the size along the grid's axes).
MapSources map_sources(const Sources& sources);

// The GeoPackage: the layer "body" (a point per receptor with every column
// of the basic table under its name; the identifier as text, the rest as
// doubles), and the layers "bodove_zdroje" (points), "liniove_zdroje"
// (lines) and "plosne_zdroje" (squares) with ID and SKUPINA, in the
// projection's coordinate system, x the easting and y the northing. An
// existing file is replaced. Throws MapError.
void write_geopackage(const MapProject& project, const std::string& path);

}  // namespace zemo::maps
