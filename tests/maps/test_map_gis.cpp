// The map tool against GDAL reading its files back: the GeoPackage holds the
// basic table's values for every receptor in the right coordinate system,
// the receptors' lattice gives a raster with a cell centred on each of them,
// interpolation reproduces a plane, and tables of another or an unfinished
// run, or changed since, are refused.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cairo.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "maps/gis.h"
#include "maps/map_maker.h"
#include "tests/test_support.h"

using namespace zemo;
using namespace zemo::maps;
using zemo::test::read_file;
using zemo::test::TempDir;
using zemo::test::write_file;

namespace fs = std::filesystem;

namespace {

// A copy of an example project, run by zemo.
struct RunExample {
    TempDir dir;
    explicit RunExample(const std::string& example, const std::string& project = "town.atm") {
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / example, dir.path(), fs::copy_options::recursive);
        fs::remove_all(dir.path() / "vysledky");
        fs::create_directory(dir.path() / "vysledky");
        // The log where zemo leaves its copy without -l: beside the tables
        // (the staged installation's log directory is shared by the tests).
        const std::string log = "vysledky/" + project.substr(0, project.rfind('.')) + ".log";
        const auto r = test::run_zemo("-a -c -i " + project + " -l " + log, dir.str());
        EXPECT_EQ(r.exit_code, 0) << r.output;
    }
    // The map tool takes UTF-8 paths (its command line, the desktop's fields).
    MapOptions options(const std::string& project = "town.atm") const {
        MapOptions o;
        o.computation_directory = dir.utf8();
        o.project_file = project;
        o.installation_directory = test::staged_native().string();
        return o;
    }
};

// The TXT basic table parsed here, independently of the tool: rows by id.
std::map<std::string, std::map<std::string, double>> text_table(const std::string& path) {
    std::istringstream in(read_file(path));
    std::vector<std::string> header;
    std::map<std::string, std::map<std::string, double>> rows;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string x; std::getline(fields, x, '\t');) f.push_back(x);
        if (header.empty()) {
            header = f;
            continue;
        }
        for (std::size_t c = 1; c < f.size(); ++c) rows[f[0]][header[c]] = std::strtod(f[c].c_str(), nullptr);
    }
    return rows;
}

// path in UTF-8, as GDAL takes it.
GDALDataset* open_dataset(const std::string& path, unsigned kind) {
    GDALAllRegister();
    return static_cast<GDALDataset*>(GDALOpenEx(path.c_str(), kind | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
}

const char* kTownLog = "vysledky/town.log";

// The log of a run as a run that predates the digest lines wrote it: every
// line "--- soubor výsledků ..." taken out. Returns how many were.
int remove_digest_lines(const std::string& log_file) {
    const std::string text = read_file(log_file);
    const std::string digest = utf8_to_cp1250("--- soubor výsledků ");
    std::string kept;
    int removed = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        if (line.rfind(digest, 0) == 0) ++removed;
        else kept += line;
        start = end;
    }
    write_file(log_file, kept);
    return removed;
}

// The refusal of make_maps, "no refusal" when the maps are made.
std::string refusal_of(const MapOptions& o) {
    try {
        make_maps(o);
    } catch (const MapError& e) {
        return e.what();
    }
    return "no refusal";
}

const char* kNoDigestsNote =
    "Poznámka: protokol výpočtu nezaznamenává kontrolní součty tabulek, příslušnost tabulek k výpočtu nelze ověřit";

}  // namespace

TEST(ZemoMap, GeoPackageHoldsTheBasicTableInTheProjectsCoordinateSystem) {
    const RunExample town("examples/town");
    const MapResult result = make_maps(town.options());
    // The run's own table, as its log's digest records it: no note.
    EXPECT_EQ(std::count(result.notes.begin(), result.notes.end(), kNoDigestsNote), 0);
    const std::string gpkg = town.dir.utf8("vysledky/mapy/town.gpkg");
    ASSERT_TRUE(fs::exists(gpkg));

    GDALDataset* ds = open_dataset(gpkg, GDAL_OF_VECTOR);
    ASSERT_NE(ds, nullptr);
    OGRLayer* body = ds->GetLayerByName("body");
    ASSERT_NE(body, nullptr);
    const auto table = text_table(town.dir.file("vysledky/IHrIHk.txt"));
    EXPECT_EQ(body->GetFeatureCount(), 1024);
    EXPECT_EQ(static_cast<std::size_t>(body->GetFeatureCount()), table.size());

    // Every column under its name, every value equal to the table's.
    OGRFeatureDefn* defn = body->GetLayerDefn();
    ASSERT_EQ(defn->GetFieldCount(), 16);
    EXPECT_STREQ(defn->GetFieldDefn(0)->GetNameRef(), "Bod");
    EXPECT_STREQ(defn->GetFieldDefn(3)->GetNameRef(), "Crok_SO2");
    int compared = 0;
    for (auto& feature : *body) {
        const auto row = table.find(feature->GetFieldAsString("Bod"));
        ASSERT_NE(row, table.end());
        for (int f = 1; f < defn->GetFieldCount(); ++f) {
            const std::string name = defn->GetFieldDefn(f)->GetNameRef();
            EXPECT_EQ(feature->GetFieldAsDouble(f), row->second.at(name)) << row->first << " " << name;
            ++compared;
        }
        // The point lies on the receptor (the table prints whole metres).
        const OGRPoint* p = feature->GetGeometryRef()->toPoint();
        EXPECT_NEAR(p->getX(), row->second.at("X"), 0.5);
        EXPECT_NEAR(p->getY(), row->second.at("Y"), 0.5);
    }
    EXPECT_EQ(compared, 1024 * 15);

    // S-JTSK / Krovak East North; the town's first receptor transformed to
    // WGS 84 lies in Prague (about 50.08 N, 14.42 E).
    const OGRSpatialReference* srs = body->GetSpatialRef();
    ASSERT_NE(srs, nullptr);
    EXPECT_STREQ(srs->GetAuthorityCode(nullptr), "5514");
    OGRSpatialReference wgs84;
    wgs84.importFromEPSG(4326);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRSpatialReference layer_srs(*srs);
    layer_srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRCoordinateTransformation* to_wgs84 = OGRCreateCoordinateTransformation(&layer_srs, &wgs84);
    ASSERT_NE(to_wgs84, nullptr);
    double x = -741550, y = -1046550;
    ASSERT_TRUE(to_wgs84->Transform(1, &x, &y));
    EXPECT_NEAR(x, 14.42, 0.15);  // longitude
    EXPECT_NEAR(y, 50.06, 0.15);  // latitude
    OGRCoordinateTransformation::DestroyCT(to_wgs84);

    // The sources: 6 stacks, 32 roads, 16 squares with their IDs and groups.
    ASSERT_NE(ds->GetLayerByName("bodove_zdroje"), nullptr);
    EXPECT_EQ(ds->GetLayerByName("bodove_zdroje")->GetFeatureCount(), 6);
    EXPECT_EQ(ds->GetLayerByName("liniove_zdroje")->GetFeatureCount(), 32);
    OGRLayer* areas = ds->GetLayerByName("plosne_zdroje");
    ASSERT_NE(areas, nullptr);
    EXPECT_EQ(areas->GetFeatureCount(), 16);
    areas->ResetReading();
    OGRFeature* square = areas->GetNextFeature();
    ASSERT_NE(square, nullptr);
    EXPECT_GT(square->GetGeometryRef()->toPolygon()->get_Area(), 0);
    OGRFeature::DestroyFeature(square);
    GDALClose(ds);

    // A picture per pollutant, of the asked size and not blank.
    ASSERT_EQ(result.pictures.size(), 4u);
    for (const std::string& png : result.pictures) {
        cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
        ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS) << png;
        EXPECT_EQ(cairo_image_surface_get_width(image), 1200);
        EXPECT_EQ(cairo_image_surface_get_height(image), 1000);
        cairo_surface_flush(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        const int stride = cairo_image_surface_get_stride(image);
        std::set<std::uint32_t> colours;
        for (int row = 0; row < 1000; row += 7)
            for (int col = 0; col < 1200; col += 7)
                colours.insert(*reinterpret_cast<const std::uint32_t*>(data + row * stride + col * 4));
        EXPECT_GT(colours.size(), 50u) << png;
        cairo_surface_destroy(image);
    }
}

// The desktop program may run in a Czech locale, where the C library reads
// "5.10708" as 5: the table is read the same whatever the locale is.
TEST(ZemoMap, TheTableIsReadTheSameInADecimalCommaLocale) {
    const RunExample town("examples/town");
    if (!std::setlocale(LC_ALL, "cs_CZ.UTF-8")) GTEST_SKIP() << "no Czech locale installed";
    std::string refusal;
    try {
        make_maps(town.options());
    } catch (const MapError& e) {
        refusal = e.what();
    }
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(refusal, "");
    EXPECT_TRUE(fs::exists(town.dir.native("vysledky/mapy/mapa_NO2.png")));
}

TEST(ZemoMap, TheReceptorLatticeGivesACellCentredOnEachReceptor) {
    const RunExample town("examples/town");
    make_maps(town.options());
    const auto table = text_table(town.dir.file("vysledky/IHrIHk.txt"));
    for (const char* raster : {"Crok_NO2.tif", "P_200_NO2.tif"}) {
        SCOPED_TRACE(raster);
        GDALDataset* ds = open_dataset(town.dir.utf8(std::string("vysledky/mapy/") + raster), GDAL_OF_RASTER);
        ASSERT_NE(ds, nullptr);
        double gt[6];
        ASSERT_EQ(ds->GetGeoTransform(gt), CE_None);
        EXPECT_EQ(gt[1], 100.0);
        EXPECT_EQ(gt[5], -100.0);
        EXPECT_EQ(ds->GetRasterXSize(), 32);
        EXPECT_EQ(ds->GetRasterYSize(), 32);
        std::vector<double> cells(32 * 32);
        ASSERT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, 32, 32, cells.data(), 32, 32, GDT_Float64, 0, 0),
                  CE_None);
        const std::string column = std::string(raster).substr(0, std::string(raster).size() - 4);
        for (const auto& [id, row] : table) {
            // The cell whose centre is the receptor.
            const double c = (row.at("X") - gt[0]) / gt[1] - 0.5, r = (row.at("Y") - gt[3]) / gt[5] - 0.5;
            ASSERT_NEAR(c, std::round(c), 1e-9) << id;
            ASSERT_NEAR(r, std::round(r), 1e-9) << id;
            EXPECT_EQ(cells[static_cast<std::size_t>(std::lround(r)) * 32 + std::lround(c)], row.at(column)) << id;
        }
        GDALClose(ds);
    }
}

TEST(ZemoMap, LatticeWithinOneCentimetreAndInterpolationOfAPlane) {
    std::vector<Receptor> grid;
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 4; ++i)
            if (!(i == 2 && j == 3)) grid.push_back({"", 1000.0 + 50 * i + (i == 1 ? 0.009 : 0), 2000.0 + 25 * j});
    const auto lattice = receptor_lattice(grid);
    ASSERT_TRUE(lattice.has_value());
    EXPECT_EQ(lattice->columns, 4);
    EXPECT_EQ(lattice->rows, 5);
    std::vector<double> values(grid.size(), 7.0);
    const Raster r = field_raster(grid, values, nullptr);
    EXPECT_TRUE(std::isnan(r.at(2, 1)));  // (1100, 2075) has no receptor; row 0 is the north
    EXPECT_EQ(r.at(2, 0), 7.0);

    // 2 cm off the lattice, or two receptors on one node: no lattice.
    std::vector<Receptor> off = grid;
    off[1].x += 0.02;
    EXPECT_FALSE(receptor_lattice(off).has_value());
    std::vector<Receptor> twice = grid;
    twice.push_back(grid[0]);
    EXPECT_FALSE(receptor_lattice(twice).has_value());

    // Scattered receptors: a plane is reproduced inside their hull, and
    // nothing outside it.
    std::vector<Receptor> scattered;
    std::vector<double> plane;
    for (int k = 0; k < 60; ++k) {
        const double x = 500 + std::fmod(k * 137.31, 1000.0), y = 800 + std::fmod(k * 91.77, 600.0);
        scattered.push_back({"", x, y});
        plane.push_back(3 + 0.01 * x - 0.02 * y);
    }
    scattered.push_back({"", 500, 800});
    plane.push_back(3 + 5 - 16);
    bool on_lattice = true;
    const Raster field = field_raster(scattered, plane, &on_lattice);
    EXPECT_FALSE(on_lattice);
    EXPECT_EQ(field.cell_x, interpolation_cell(scattered));
    int inside = 0;
    for (int row = 0; row < field.rows; ++row)
        for (int c = 0; c < field.columns; ++c) {
            const double v = field.at(c, row);
            if (std::isnan(v)) continue;
            ++inside;
            EXPECT_NEAR(v, 3 + 0.01 * field.x_of(c) - 0.02 * field.y_of(row), 1e-9) << c << "," << row;
        }
    EXPECT_GT(inside, field.columns * field.rows / 3);
    EXPECT_TRUE(std::isnan(field.at(field.columns - 1, 0)) || std::isnan(field.at(0, field.rows - 1)));
}

TEST(ZemoMap, TablesOfAnUnfinishedOrAnotherRunAreRefused) {
    const RunExample town("examples/town");
    auto refusal = [&](const MapOptions& o) {
        try {
            make_maps(o);
        } catch (const MapError& e) {
            return std::string(e.what());
        }
        return std::string("no refusal");
    };
    // A log without "O.K." (a run that failed after writing its tables).
    const std::string log = town.dir.file(kTownLog);
    const std::string complete = read_file(log);
    const std::string ok = utf8_to_cp1250("VÝPOČET UKONČEN... O.K.");
    std::string failed = complete;
    failed.replace(failed.find(ok), ok.size(), utf8_to_cp1250("VÝPOČET UKONČEN..."));
    write_file(log, failed);
    EXPECT_NE(refusal(town.options()).find("nebyl úspěšně dokončen"), std::string::npos);
    write_file(log, complete);

    // Reference points that are no longer those of the table.
    const std::string points = read_file(town.dir.file("body.txt"));
    std::string renamed = points;
    renamed.replace(renamed.find("R0001"), 5, "Q0001");
    write_file(town.dir.file("body.txt"), renamed);
    EXPECT_NE(refusal(town.options()).find("[R0001] místo [Q0001]"), std::string::npos);
    write_file(town.dir.file("body.txt"), points);

    // A log of another project.
    fs::copy_file(town.dir.native("town.atm"), town.dir.native("jine.atm"));
    MapOptions other = town.options("jine.atm");
    other.run_log = cp1250_to_utf8(log);
    EXPECT_NE(refusal(other).find("patří k projektu [town.atm]"), std::string::npos);

    // One byte of the table changed after the run (a digit of the annual
    // mean of SO2 at the second point, the size unchanged): the log's
    // digest refuses it, naming the table as the run named it.
    const std::string basic = town.dir.file("vysledky/IHrIHk.txt");
    const std::string table = read_file(basic);
    const std::size_t row2 = table.find("\r\n", table.find("\r\n") + 2) + 2;  // after the first point
    std::size_t crok = row2;
    for (int tab = 0; tab < 3; ++tab) crok = table.find('\t', crok) + 1;
    const std::size_t crok_end = table.find('\t', crok);
    std::string one_byte = table;
    one_byte[crok_end - 1] = one_byte[crok_end - 1] == '7' ? '8' : '7';
    write_file(basic, one_byte);
    EXPECT_EQ(refusal(town.options()).rfind("tabulka nepatří k výpočtu tohoto projektu: vysledky/IHrIHk.txt", 0), 0u)
        << refusal(town.options());
    // A table the log names but that cannot be read.
    fs::remove(test::native_path(basic));
    fs::create_directory(test::native_path(basic));
    EXPECT_EQ(refusal(town.options()).rfind("tabulka nepatří k výpočtu tohoto projektu: vysledky/IHrIHk.txt", 0), 0u)
        << refusal(town.options());
    fs::remove(test::native_path(basic));
    write_file(basic, table);
    EXPECT_EQ(refusal(town.options()), "no refusal");

    // A value no map can draw, in place of the annual mean of SO2 at the
    // second point, in a table written by hand or by another program after
    // a run whose log records no digests: refused with the file, the row
    // and the column.
    const std::string with_digests = read_file(log);
    ASSERT_GT(remove_digest_lines(log), 0);
    for (const char* bad : {"nan", "inf", "-inf", "1e308"}) {
        std::string changed = table;
        changed.replace(crok, crok_end - crok, bad);
        write_file(basic, changed);
        const std::string why = refusal(town.options());
        EXPECT_NE(why.find("IHrIHk.txt, řádka 3, sloupec Crok_SO2: hodnota [" + std::string(bad) + "]"),
                  std::string::npos)
            << why;
        EXPECT_NE(why.find(std::string(bad) == "1e308" ? "mimo rozsah" : "není konečné číslo"), std::string::npos)
            << why;
    }
    write_file(basic, table);
    write_file(log, with_digests);

    // No log at all (a run at level 0 leaves none).
    fs::remove(test::native_path(log));
    EXPECT_NE(refusal(town.options()).find("Protokol výpočtu nenalezen"), std::string::npos);
}

// The DBF form: a field written as "nan" by another program.
TEST(ZemoMap, ValuesThatCannotBeDrawnAreRefusedInDbfToo) {
    const RunExample town("examples/town-dbf");
    const std::string basic = town.dir.file("vysledky/IHrIHk.dbf");
    std::string table = read_file(basic);
    const int header_length = static_cast<unsigned char>(table[8]) | (static_cast<unsigned char>(table[9]) << 8);
    // Record 1: the deletion byte, Bod (10), X (10), Y (10), then Crok_SO2 (10).
    table.replace(static_cast<std::size_t>(header_length) + 1 + 30, 10, "       nan");
    write_file(basic, table);
    // The run's log records the table's digest: the changed table is not
    // the run's.
    EXPECT_EQ(refusal_of(town.options()).rfind("tabulka nepatří k výpočtu tohoto projektu: vysledky/IHrIHk.dbf", 0), 0u)
        << refusal_of(town.options());
    // A log that records none: the values are what refuses the table.
    ASSERT_GT(remove_digest_lines(town.dir.file(kTownLog)), 0);
    try {
        make_maps(town.options());
        ADD_FAILURE() << "no refusal";
    } catch (const MapError& e) {
        EXPECT_NE(
            std::string(e.what()).find("IHrIHk.dbf, záznam 1, sloupec Crok_SO2: hodnota [nan] není konečné číslo"),
            std::string::npos)
            << e.what();
    }
}

// Substances of the catalogue below 1, whose two limits are alike as whole
// numbers: the exceedance raster takes the basic table's column name, the
// limit with its digits in TXT, the limit's number in DBF.
TEST(ZemoMap, RastersOfLimitsBelowOneAreNamedAfterTheirColumns) {
    for (const std::string format : {"TXT", "DBF"}) {
        TempDir dir;
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / "tests/fixtures/projects/single-stack", dir.path(),
                 fs::copy_options::recursive);
        fs::remove_all(dir.path() / "vysledky");
        fs::create_directory(dir.path() / "vysledky");
        write_file(dir.file("latky.atm"),
                   utf8_to_cp1250("[VYPOCETNI SIT]\r\nSOUBOR=body.txt, TSV\r\nPROJEKCE=JINA\r\nOTOCENI=0\r\n"
                                  "[ZNECISTUJICI LATKY]\r\nBAP=ORG, 0.001, 0.0006, 48, Benzo(a)pyren\r\n"
                                  "PB=PM10, 0.5, 0.35, Olovo\r\nAS=PM10, 0.006, 0.0036, Arsen\r\n"
                                  "CD=PM10, 0.005, 0.003, Kadmium\r\n[ZDROJE]\r\nBODOVE=bodove.txt, TSV\r\n"
                                  "[METEOROLOGIE]\r\nSOUBOR=ruzice.txt, TSV\r\n[VYSLEDKY]\r\nTYP=ZAKLADNI\r\n"
                                  "FORMAT=" +
                                  format + "\r\nADRESAR=vysledky\r\n"));
        const auto r = test::run_zemo("-a -c -i latky.atm -l vysledky/latky.log", dir.str());
        ASSERT_EQ(r.exit_code, 0) << r.output << read_file(dir.file("vysledky/latky.log"));
        MapOptions o;
        o.computation_directory = dir.utf8();
        o.project_file = "latky.atm";
        o.installation_directory = test::staged_native().string();
        make_maps(o);
        const bool dbf = format == "DBF";
        for (const char* raster : {"P_0.001_BAP.tif", "P_0.5_PB.tif", "P_0.006_AS.tif", "P_0.005_CD.tif"}) {
            std::string name = raster;
            if (dbf) name = "P1_" + name.substr(name.rfind('_') + 1);
            EXPECT_TRUE(fs::exists(dir.native("vysledky/mapy/" + name))) << name;
        }
    }
}

// Project A run, then project B with the same reference points and other
// emissions into the same output directory: B's basic table has A's points
// and columns, and only the digest in A's log tells that it is not A's.
TEST(ZemoMap, TheTableOfAnotherProjectsLaterRunIsRefusedByTheLogsDigest) {
    const RunExample a("tests/fixtures/projects/single-stack", "single-stack.atm");
    const std::string out = a.dir.file("out.txt");
    const std::string map_a =
        std::string("cd '") + a.dir.path().string() + "' && '" ZEMO_MAP_EXE "' -i single-stack.atm > out.txt 2>&1";
    const auto has = [&](const std::string& utf8) {
        return read_file(out).find(test::console_text(utf8_to_cp1250(utf8))) != std::string::npos;
    };
    // A's own tables are accepted, and checked (no note).
    ASSERT_EQ(std::system(map_a.c_str()), 0) << read_file(out);
    EXPECT_FALSE(has("Poznámka")) << read_file(out);
    const std::string table_a = read_file(a.dir.file("vysledky/IHrIHk.txt"));

    std::string stacks = read_file(a.dir.file("bodove.txt"));
    const std::string emissions = "\t10\t0.004\t0.125\t10";
    ASSERT_NE(stacks.find(emissions), std::string::npos);
    stacks.replace(stacks.find(emissions), emissions.size(), "\t20\t0.008\t0.25\t20");
    write_file(a.dir.file("bodove-b.txt"), stacks);
    std::string project = read_file(a.dir.file("single-stack.atm"));
    project.replace(project.find("BODOVE=bodove.txt"), 17, "BODOVE=bodove-b.txt");
    write_file(a.dir.file("b.atm"), project);
    const auto r = test::run_zemo("-a -c -i b.atm -l vysledky/b.log", a.dir.str());
    ASSERT_EQ(r.exit_code, 0) << r.output;
    ASSERT_NE(read_file(a.dir.file("vysledky/IHrIHk.txt")), table_a);

    EXPECT_EQ(WEXITSTATUS(std::system(map_a.c_str())), 156);
    EXPECT_TRUE(has("*** tabulka nepatří k výpočtu tohoto projektu: vysledky/IHrIHk.txt")) << read_file(out);
    EXPECT_FALSE(has("Mapy zapsány")) << read_file(out);
    // B's maps are B's.
    EXPECT_EQ(refusal_of(a.options("b.atm")), "no refusal");

    // A's log as a run that predates the digests wrote it: the table is
    // accepted as before, and the console says it could not be checked.
    ASSERT_GT(remove_digest_lines(a.dir.file("vysledky/single-stack.log")), 0);
    ASSERT_EQ(std::system(map_a.c_str()), 0) << read_file(out);
    EXPECT_TRUE(has(kNoDigestsNote)) << read_file(out);
    EXPECT_TRUE(has("Mapy zapsány")) << read_file(out);
}

TEST(ZemoMap, ConsoleToolOnALocalGridAndItsUsage) {
    // The one-stack project is on a local grid (JINA): layers without a
    // coordinate system, said on the console.
    const RunExample stack("tests/fixtures/projects/single-stack", "single-stack.atm");
    const std::string cmd = std::string("cd '") + stack.dir.path().string() +
                            "' && '" ZEMO_MAP_EXE "' -i single-stack.atm -o mapy-jine > out.txt 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << read_file(stack.dir.file("out.txt"));
    EXPECT_NE(cp1250_to_utf8(read_file(stack.dir.file("out.txt"))).find("Projekce JINA"), std::string::npos);
    GDALDataset* ds = open_dataset(stack.dir.utf8("mapy-jine/single-stack.gpkg"), GDAL_OF_VECTOR);
    ASSERT_NE(ds, nullptr);
    // GeoPackage's "undefined cartesian" system: no authority, no EPSG code.
    const OGRSpatialReference* local = ds->GetLayerByName("body")->GetSpatialRef();
    EXPECT_TRUE(local == nullptr || local->GetAuthorityCode(nullptr) == nullptr);
    EXPECT_EQ(ds->GetLayerByName("body")->GetFeatureCount(), 4);
    GDALClose(ds);
    for (const char* ind : {"L05", "L15", "L25", "L12K"})
        EXPECT_TRUE(fs::exists(stack.dir.native(std::string("mapy-jine/mapa_") + ind + ".png"))) << ind;

    const std::string usage = std::string("'") + ZEMO_MAP_EXE + "' -x > /dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(usage.c_str())), 3);
    const std::string missing =
        std::string("cd '") + stack.dir.path().string() + "' && '" ZEMO_MAP_EXE "' -i neni.atm > /dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(missing.c_str())), 156);
}
