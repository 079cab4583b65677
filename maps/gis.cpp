#include "maps/gis.h"

#include <gdal_alg.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <utility>

#include "base/text.h"

namespace zemo::maps {

namespace {

constexpr double kLatticeTolerance = 0.01;  // m: coordinates pass through single precision
constexpr double kNoData = -9999.0;

void register_gdal() {
    static const bool registered = [] {
        GDALAllRegister();
        return true;
    }();
    (void)registered;
}

// The coordinate system with x the easting and y the northing whatever the
// EPSG axis order is (Gauss-Krüger lists the northing first).
std::unique_ptr<OGRSpatialReference> spatial_reference(int epsg) {
    if (epsg == 0) return nullptr;
    auto srs = std::make_unique<OGRSpatialReference>();
    if (srs->importFromEPSG(epsg) != OGRERR_NONE)
        throw MapError("Souřadnicový systém EPSG:" + std::to_string(epsg) + " nelze vytvořit (PROJ)");
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

// The distinct values within the tolerance, ascending.
std::vector<double> distinct(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::vector<double> out;
    for (double x : v)
        if (out.empty() || x - out.back() > kLatticeTolerance) out.push_back(x);
    return out;
}

// The step and node count of values on one evenly spaced axis.
std::optional<std::pair<double, int>> even_axis(const std::vector<double>& values) {
    if (values.size() < 2) return std::nullopt;
    double least = values[1] - values[0];
    for (std::size_t i = 2; i < values.size(); ++i) least = std::min(least, values[i] - values[i - 1]);
    const double nodes = std::round((values.back() - values.front()) / least);
    if (!(nodes >= 1) || nodes > 1e7) return std::nullopt;
    // The step that puts the last node on the last value; every value must
    // then lie on a node.
    const double step = (values.back() - values.front()) / nodes;
    for (double v : values) {
        const double k = std::round((v - values.front()) / step);
        if (std::fabs(values.front() + k * step - v) > kLatticeTolerance) return std::nullopt;
    }
    return std::make_pair(step, static_cast<int>(nodes) + 1);
}

}  // namespace

int epsg_of_projection(int projection) {
    if (projection == kProjectionJtsk) return 5514;
    if (projection == kProjectionS42) return 28403;
    return 0;
}

std::optional<Raster> receptor_lattice(const std::vector<Receptor>& receptors) {
    std::vector<double> xs, ys;
    for (const Receptor& r : receptors) {
        xs.push_back(r.x);
        ys.push_back(r.y);
    }
    const auto x_axis = even_axis(distinct(xs));
    const auto y_axis = even_axis(distinct(ys));
    if (!x_axis || !y_axis) return std::nullopt;
    const double cells = static_cast<double>(x_axis->second) * y_axis->second;
    if (cells > 16.0 * static_cast<double>(receptors.size())) return std::nullopt;
    Raster r;
    r.cell_x = x_axis->first;
    r.cell_y = y_axis->first;
    r.columns = x_axis->second;
    r.rows = y_axis->second;
    const double x0 = *std::min_element(xs.begin(), xs.end());
    const double y1 = *std::max_element(ys.begin(), ys.end());
    r.west = x0 - r.cell_x / 2;
    r.north = y1 + r.cell_y / 2;
    // One receptor per node.
    std::set<std::pair<int, int>> taken;
    for (const Receptor& p : receptors) {
        const int c = static_cast<int>(std::lround((p.x - x0) / r.cell_x));
        const int row = static_cast<int>(std::lround((y1 - p.y) / r.cell_y));
        if (std::fabs(r.x_of(c) - p.x) > kLatticeTolerance || std::fabs(r.y_of(row) - p.y) > kLatticeTolerance ||
            !taken.insert({c, row}).second)
            return std::nullopt;
    }
    r.values.assign(static_cast<std::size_t>(r.columns) * r.rows, Raster::kNoData);
    return r;
}

double interpolation_cell(const std::vector<Receptor>& receptors) {
    double min_x = 1e300, max_x = -1e300, min_y = 1e300, max_y = -1e300;
    for (const Receptor& r : receptors) {
        min_x = std::min(min_x, r.x);
        max_x = std::max(max_x, r.x);
        min_y = std::min(min_y, r.y);
        max_y = std::max(max_y, r.y);
    }
    const double wanted = std::max(max_x - min_x, max_y - min_y) / 200.0;
    double cell = 1;
    for (double decade = 1; decade <= wanted; decade *= 10)
        for (double m : {1.0, 2.0, 5.0})
            if (m * decade <= wanted) cell = m * decade;
    return cell;
}

Raster field_raster(const std::vector<Receptor>& receptors, const std::vector<double>& values, bool* on_lattice) {
    if (receptors.empty() || values.size() != receptors.size()) throw MapError("Žádné body k zobrazení");
    if (std::optional<Raster> lattice = receptor_lattice(receptors)) {
        if (on_lattice) *on_lattice = true;
        const double x0 = lattice->x_of(0), y1 = lattice->y_of(0);
        for (std::size_t i = 0; i < receptors.size(); ++i) {
            const int c = static_cast<int>(std::lround((receptors[i].x - x0) / lattice->cell_x));
            const int r = static_cast<int>(std::lround((y1 - receptors[i].y) / lattice->cell_y));
            lattice->at(c, r) = values[i];
        }
        return *lattice;
    }
    if (on_lattice) *on_lattice = false;
    register_gdal();
    const double cell = interpolation_cell(receptors);
    double min_x = 1e300, max_x = -1e300, min_y = 1e300, max_y = -1e300;
    std::vector<double> xs, ys;
    for (const Receptor& r : receptors) {
        xs.push_back(r.x);
        ys.push_back(r.y);
        min_x = std::min(min_x, r.x);
        max_x = std::max(max_x, r.x);
        min_y = std::min(min_y, r.y);
        max_y = std::max(max_y, r.y);
    }
    Raster r;
    r.cell_x = r.cell_y = cell;
    r.west = std::floor(min_x / cell) * cell - cell / 2;
    r.north = std::ceil(max_y / cell) * cell + cell / 2;
    r.columns = static_cast<int>(std::round((std::ceil(max_x / cell) * cell + cell / 2 - r.west) / cell));
    r.rows = static_cast<int>(std::round((r.north - (std::floor(min_y / cell) * cell - cell / 2)) / cell));
    // Linear within the triangles; outside the receptors' convex hull no
    // value (radius 0).
    GDALGridLinearOptions options{};
    options.nSizeOfStructure = sizeof options;
    options.dfRadius = 0;
    options.dfNoDataValue = kNoData;
    // GDAL fills the grid from its southern row up, with the nodes at the
    // cell centres of the extent given.
    std::vector<double> south_first(static_cast<std::size_t>(r.columns) * r.rows);
    const CPLErr err =
        GDALGridCreate(GGA_Linear, &options, static_cast<GUInt32>(receptors.size()), xs.data(), ys.data(),
                       values.data(), r.west, r.east(), r.south(), r.north, static_cast<GUInt32>(r.columns),
                       static_cast<GUInt32>(r.rows), GDT_Float64, south_first.data(), nullptr, nullptr);
    if (err != CE_None) throw MapError("Interpolace GDAL selhala");
    r.values.resize(south_first.size());
    for (int row = 0; row < r.rows; ++row)
        for (int c = 0; c < r.columns; ++c) {
            const double v = south_first[static_cast<std::size_t>(r.rows - 1 - row) * r.columns + c];
            r.at(c, row) = v == kNoData ? Raster::kNoData : v;
        }
    return r;
}

void write_geotiff(const Raster& raster, int epsg, const std::string& path) {
    register_gdal();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (!driver) throw MapError("Ovladač GeoTIFF knihovny GDAL chybí");
    GDALDataset* ds = driver->Create(path.c_str(), raster.columns, raster.rows, 1, GDT_Float64, nullptr);
    if (!ds) throw MapError("Soubor nelze vytvořit: " + path);
    double transform[6] = {raster.west, raster.cell_x, 0, raster.north, 0, -raster.cell_y};
    ds->SetGeoTransform(transform);
    if (const auto srs = spatial_reference(epsg)) ds->SetSpatialRef(srs.get());
    GDALRasterBand* band = ds->GetRasterBand(1);
    band->SetNoDataValue(kNoData);
    std::vector<double> data(raster.values);
    for (double& v : data)
        if (!std::isfinite(v)) v = kNoData;
    const CPLErr err = band->RasterIO(GF_Write, 0, 0, raster.columns, raster.rows, data.data(), raster.columns,
                                      raster.rows, GDT_Float64, 0, 0);
    GDALClose(ds);
    if (err != CE_None) throw MapError("Do souboru nelze zapsat: " + path);
}

std::vector<Polyline> contour_lines(const Raster& raster, double level) {
    register_gdal();
    std::vector<Polyline> lines;
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDriver* vector_mem = GetGDALDriverManager()->GetDriverByName("Memory");
    if (!mem || !vector_mem) return lines;
    GDALDataset* ds = mem->Create("", raster.columns, raster.rows, 1, GDT_Float64, nullptr);
    double transform[6] = {raster.west, raster.cell_x, 0, raster.north, 0, -raster.cell_y};
    ds->SetGeoTransform(transform);
    std::vector<double> data(raster.values);
    for (double& v : data)
        if (!std::isfinite(v)) v = kNoData;
    GDALRasterBand* band = ds->GetRasterBand(1);
    band->SetNoDataValue(kNoData);
    if (band->RasterIO(GF_Write, 0, 0, raster.columns, raster.rows, data.data(), raster.columns, raster.rows,
                       GDT_Float64, 0, 0) == CE_None) {
        GDALDataset* vds = vector_mem->Create("", 0, 0, 0, GDT_Unknown, nullptr);
        OGRLayer* layer = vds->CreateLayer("contour", nullptr, wkbLineString, nullptr);
        const std::string fixed = "FIXED_LEVELS=" + std::to_string(level);
        const char* options[] = {fixed.c_str(), "NODATA=-9999", nullptr};
        if (GDALContourGenerateEx(band, layer, const_cast<char**>(options), nullptr, nullptr) == CE_None) {
            layer->ResetReading();
            for (auto& feature : *layer) {
                const OGRGeometry* g = feature->GetGeometryRef();
                if (!g || wkbFlatten(g->getGeometryType()) != wkbLineString) continue;
                const OGRLineString* line = g->toLineString();
                Polyline poly;
                for (int i = 0; i < line->getNumPoints(); ++i) poly.emplace_back(line->getX(i), line->getY(i));
                if (poly.size() >= 2) lines.push_back(std::move(poly));
            }
        }
        GDALClose(vds);
    }
    GDALClose(ds);
    return lines;
}

MapSources map_sources(const Sources& s) {
    MapSources m;
    for (int i = 0; i < s.NP; ++i) m.stacks.emplace_back(s.SrcP_x[i], s.SrcP_y[i]);
    for (int i = 0; i < s.NL; ++i)
        m.roads.push_back({Point{s.SrcL_x[i], s.SrcL_y[i]}, Point{s.SrcL_x1[i], s.SrcL_y1[i]}});
    for (int i = 0; i < s.NA; ++i) {
        const double h = s.SrcA_dx[i] / 2, x = s.SrcA_x[i], y = s.SrcA_y[i];
        m.areas.push_back({Point{x - h, y - h}, Point{x + h, y - h}, Point{x + h, y + h}, Point{x - h, y + h}});
    }
    return m;
}

namespace {

OGRLayer* create_layer(GDALDataset* ds, const char* name, const OGRSpatialReference* srs, OGRwkbGeometryType type) {
    OGRLayer* layer = ds->CreateLayer(name, const_cast<OGRSpatialReference*>(srs), type, nullptr);
    if (!layer) throw MapError(std::string("Vrstvu ") + name + " nelze vytvořit");
    return layer;
}

void add_field(OGRLayer* layer, const std::string& name, OGRFieldType type) {
    OGRFieldDefn field(name.c_str(), type);
    if (layer->CreateField(&field) != OGRERR_NONE) throw MapError("Sloupec " + name + " nelze vytvořit");
}

void add_feature(OGRLayer* layer, OGRFeature* feature) {
    if (layer->CreateFeature(feature) != OGRERR_NONE) throw MapError("Prvek vrstvy nelze zapsat");
}

// A source layer: ID and SKUPINA, one geometry per source.
template <typename MakeGeometry>
void source_layer(GDALDataset* ds, const char* name, const OGRSpatialReference* srs, OGRwkbGeometryType type,
                  const std::vector<std::string>& ids, const std::vector<int>& groups, MakeGeometry make) {
    if (ids.empty()) return;
    OGRLayer* layer = create_layer(ds, name, srs, type);
    add_field(layer, "ID", OFTString);
    add_field(layer, "SKUPINA", OFTInteger);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        OGRFeature feature(layer->GetLayerDefn());
        feature.SetField("ID", cp1250_to_utf8(ids[i]).c_str());
        feature.SetField("SKUPINA", groups[i]);
        feature.SetGeometryDirectly(make(i));
        add_feature(layer, &feature);
    }
}

}  // namespace

void write_geopackage(const MapProject& project, const std::string& path) {
    register_gdal();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    if (!driver) throw MapError("Ovladač GeoPackage knihovny GDAL chybí");
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    if (!ds) throw MapError("Soubor nelze vytvořit: " + path);
    const auto srs = spatial_reference(epsg_of_projection(project.projection));
    try {
        ds->StartTransaction();
        const ResultTable& t = project.basic;
        OGRLayer* points = create_layer(ds, "body", srs.get(), wkbPoint);
        add_field(points, t.columns[0], OFTString);
        for (std::size_t c = 1; c < t.columns.size(); ++c) add_field(points, t.columns[c], OFTReal);
        for (std::size_t i = 0; i < t.ids.size(); ++i) {
            OGRFeature feature(points->GetLayerDefn());
            feature.SetField(0, t.ids[i].c_str());
            for (std::size_t c = 1; c < t.columns.size(); ++c)
                feature.SetField(static_cast<int>(c), t.numbers[c - 1][i]);
            feature.SetGeometryDirectly(new OGRPoint(project.receptors[i].x, project.receptors[i].y));
            add_feature(points, &feature);
        }
        const Sources& s = project.sources;
        source_layer(ds, "bodove_zdroje", srs.get(), wkbPoint, s.SrcP_id, s.SrcP_group,
                     [&](std::size_t i) { return new OGRPoint(s.SrcP_x[i], s.SrcP_y[i]); });
        source_layer(ds, "liniove_zdroje", srs.get(), wkbLineString, s.SrcL_id, s.SrcL_group, [&](std::size_t i) {
            auto* line = new OGRLineString();
            line->addPoint(s.SrcL_x[i], s.SrcL_y[i]);
            line->addPoint(s.SrcL_x1[i], s.SrcL_y1[i]);
            return line;
        });
        const MapSources shapes = map_sources(s);
        source_layer(ds, "plosne_zdroje", srs.get(), wkbPolygon, s.SrcA_id, s.SrcA_group, [&](std::size_t i) {
            auto* ring = new OGRLinearRing();
            for (const Point& p : shapes.areas[i]) ring->addPoint(p.first, p.second);
            ring->closeRings();
            auto* polygon = new OGRPolygon();
            polygon->addRingDirectly(ring);
            return polygon;
        });
        if (ds->CommitTransaction() != OGRERR_NONE) throw MapError("Do souboru nelze zapsat: " + path);
    } catch (...) {
        GDALClose(ds);
        throw;
    }
    GDALClose(ds);
}

}  // namespace zemo::maps
