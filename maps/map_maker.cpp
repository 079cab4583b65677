#include "maps/map_maker.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "base/format.h"
#include "base/text.h"
#include "maps/gis.h"
#include "maps/map_picture.h"

namespace zemo::maps {

namespace fs = std::filesystem;

namespace {

std::string number_text(double v) { return format("%.10g", v); }

std::string crs_note(int projection) {
    switch (epsg_of_projection(projection)) {
        case 5514:
            return "Souřadnicový systém: EPSG:5514, S-JTSK / Krovak East North (x východní, y severní souřadnice)";
        case 28403:
            return "Souřadnicový systém: EPSG:28403, Pulkovo 1942 / Gauss-Krüger, pás 3 (uloženo x východní, y "
                   "severní)";
        default: return "Projekce JINA: místní síť, vrstvy a rastry nemají souřadnicový systém";
    }
}

}  // namespace

MapResult make_maps(const MapOptions& options) {
    const MapProject project = load_map_project(options);
    MapResult result;
    result.output_directory = project.output_directory;
    std::error_code error;
    fs::create_directories(project.output_directory, error);
    if (!fs::is_directory(project.output_directory))
        throw MapError("Adresář map nelze vytvořit: " + project.output_directory);

    const int epsg = epsg_of_projection(project.projection);
    result.notes = project.notes;
    result.notes.push_back(crs_note(project.projection));

    const std::string gpkg = project.output_directory + project.project_name + ".gpkg";
    write_geopackage(project, gpkg);
    result.files.push_back(gpkg);

    const MapSources sources = map_sources(project.sources);
    bool lattice_noted = false;
    for (const Pollutant& p : project.pollutants) {
        const std::string ind = cp1250_to_utf8(p.indicative);
        const std::vector<double>* mean = project.basic.column("Crok_" + ind);
        const int cmax = project.basic.index_of("Cmax_" + ind);
        if (!mean || cmax < 0 || cmax + 1 >= static_cast<int>(project.basic.columns.size()))
            throw MapError("Tabulka " + project.basic.path + " nemá sloupce látky " + ind);
        const std::string exceed_name = project.basic.columns[static_cast<std::size_t>(cmax) + 1];
        const std::vector<double>& exceed = project.basic.numbers[static_cast<std::size_t>(cmax)];

        bool on_lattice = false;
        const Raster field = field_raster(project.receptors, *mean, &on_lattice);
        if (!lattice_noted) {
            result.notes.push_back(
                on_lattice ? format("Body tvoří pravidelnou síť %i × %i, krok %s × %s m: rastr má buňku na každý bod",
                                    field.columns, field.rows, number_text(field.cell_x).c_str(),
                                    number_text(field.cell_y).c_str())
                           : format("Body netvoří pravidelnou síť: rastry lineárně interpolovány (Delaunayova "
                                    "triangulace), buňka %s m",
                                    number_text(field.cell_x).c_str()));
            lattice_noted = true;
        }
        const std::string mean_tif = project.output_directory + "Crok_" + ind + ".tif";
        write_geotiff(field, epsg, mean_tif);
        result.files.push_back(mean_tif);
        const std::string exceed_tif = project.output_directory + exceed_name + ".tif";
        write_geotiff(field_raster(project.receptors, exceed, nullptr), epsg, exceed_tif);
        result.files.push_back(exceed_tif);

        PictureSpec spec;
        spec.title = "Průměrná roční koncentrace " + ind + " – " + cp1250_to_utf8(p.name);
        spec.subtitle = "Projekt " + project.project_name + ", " + std::to_string(project.receptors.size()) +
                        (on_lattice ? " bodů v pravidelné síti" : " bodů, hodnoty mezi nimi interpolovány");
        // No limit on the annual-mean map: a pollutant's limits are the
        // short-term limits of the exceedance columns (the catalogue does
        // not say which, if any, is an annual limit), so a contour of one
        // over the annual mean would mark a meaningless line.
        spec.grid_north_azimuth = project.rotation;
        if (!on_lattice)
            for (const Receptor& r : project.receptors) spec.receptors.emplace_back(r.x, r.y);
        const std::string png = project.output_directory + "mapa_" + ind + ".png";
        std::string why;
        if (!write_map_png(field, sources, spec, png, &why)) throw MapError(why);
        result.files.push_back(png);
        result.pictures.push_back(png);
    }
    return result;
}

}  // namespace zemo::maps
