// zemo-map's work, for the console tool and the desktop program alike: the
// GeoPackage, a GeoTIFF of the annual mean and of the exceedances of the
// first limit per pollutant, and a PNG map per pollutant.
#pragma once

#include <string>
#include <vector>

#include "maps/map_data.h"

namespace zemo::maps {

struct MapResult {
    std::string output_directory;       // UTF-8
    std::vector<std::string> files;     // every file written, UTF-8 paths
    std::vector<std::string> pictures;  // the PNG maps, one per pollutant in project order
    std::vector<std::string> notes;     // Czech lines for the user (unchecked tables, CRS, grid or interpolation)
};

// Reads the project and its results (load_map_project) and writes the maps
// into the output directory, which is created when missing. Throws
// MapError.
MapResult make_maps(const MapOptions& options);

}  // namespace zemo::maps
