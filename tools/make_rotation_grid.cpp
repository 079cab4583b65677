// make_rotation_grid: computes the rotation grid file of a national
// projection (data/rotJTSK.abn, data/rotS42.abn) with the PROJ library.
//
//   make_rotation_grid JTSK|S42 OUTPUT [--spacing METRES] [--check N]
//
// At every node (x = easting, y = northing of the model's tables) the value
// is the azimuth of the grid north (the direction of increasing y) measured
// clockwise from geographic north, in degrees. That is the grid rotation
// the computation subtracts from the geographic wind directions to express
// them in the grid's frame (see docs/rotation.md).
//
// The azimuth is computed numerically: the node is moved 5 m down and up
// along the grid's y axis, both points are taken into the projection's own
// geographic coordinates (no datum shift is involved in a convergence
// angle), and the geodesic between them on the projection's ellipsoid gives
// the azimuth. PROJ's meridian convergence of the axis-normalised CRS is
// computed at every eighth node as a cross-check, and the largest difference is
// reported. --check N compares the look-up of the written file at N random
// places of the area against the exact value and reports the largest
// interpolation error.
#include <geodesic.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "base/run_log.h"
#include "input/grid_rotation.h"

namespace {

// The area covered: the Czech Republic's extreme longitudes and latitudes
// (Krásná 12.09 E, Bukovec 18.86 E, Vyšší Brod 48.55 N, Lobendava 51.06 N),
// rounded outward, and a margin around its projected extent.
constexpr double kWestLon = 12.08, kEastLon = 18.87;  // degrees
constexpr double kSouthLat = 48.54, kNorthLat = 51.07;
constexpr double kMarginMetres = 20000.0;
// The node spacing keeping the interpolation error far below 0.01 degree.
constexpr double kDefaultSpacing = 2000.0;  // metres
// Half the step along the grid's y axis for the numerical azimuth.
constexpr double kHalfStep = 5.0;  // metres

struct ProjectionSpec {
    const char* name;  // as in the project file and the grid header
    const char* crs;   // the EPSG code
};
constexpr ProjectionSpec kProjections[] = {{"JTSK", "EPSG:5514"}, {"S42", "EPSG:28403"}};

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;

class Rotation {
public:
    explicit Rotation(const char* crs_code) {
        ctx_ = proj_context_create();
        PJ* crs = proj_create(ctx_, crs_code);
        if (!crs) throw std::runtime_error(std::string("unknown CRS ") + crs_code);
        // Axis order easting, northing whatever the CRS's own order is.
        crs_ = proj_normalize_for_visualization(ctx_, crs);
        PJ* geo = proj_crs_get_geodetic_crs(ctx_, crs);
        PJ* op = proj_create_crs_to_crs_from_pj(ctx_, crs, geo, nullptr, nullptr);
        if (!op || !crs_) throw std::runtime_error("no conversion to geographic coordinates");
        to_geo_ = proj_normalize_for_visualization(ctx_, op);  // x, y -> lon, lat in degrees
        PJ* ellipsoid = proj_get_ellipsoid(ctx_, crs);
        double a = 0, b = 0, inv_f = 0;
        int computed = 0;
        proj_ellipsoid_get_parameters(ctx_, ellipsoid, &a, &b, &computed, &inv_f);
        geod_init(&geod_, a, inv_f != 0 ? 1.0 / inv_f : 0.0);
        proj_destroy(ellipsoid);
        proj_destroy(op);
        proj_destroy(geo);
        proj_destroy(crs);
    }
    ~Rotation() {
        proj_destroy(to_geo_);
        proj_destroy(crs_);
        proj_context_destroy(ctx_);
    }
    Rotation(const Rotation&) = delete;
    Rotation& operator=(const Rotation&) = delete;

    // Projected x, y -> longitude, latitude in degrees.
    void geographic(double x, double y, double& lon, double& lat) const {
        PJ_COORD c = proj_coord(x, y, 0, 0);
        c = proj_trans(to_geo_, PJ_FWD, c);
        lon = c.lp.lam;
        lat = c.lp.phi;
    }
    void projected(double lon, double lat, double& x, double& y) const {
        PJ_COORD c = proj_coord(lon, lat, 0, 0);
        c = proj_trans(to_geo_, PJ_INV, c);
        x = c.xy.x;
        y = c.xy.y;
    }
    // Azimuth of grid north at (x, y), clockwise from geographic north, degrees.
    double grid_north_azimuth(double x, double y) const {
        double lon1, lat1, lon2, lat2;
        geographic(x, y - kHalfStep, lon1, lat1);
        geographic(x, y + kHalfStep, lon2, lat2);
        double s12 = 0, azi1 = 0, azi2 = 0;
        geod_inverse(&geod_, lat1, lon1, lat2, lon2, &s12, &azi1, &azi2);
        return 0.5 * (azi1 + azi2);
    }
    // PROJ's meridian convergence at (x, y), degrees.
    double convergence(double x, double y) const {
        double lon, lat;
        geographic(x, y, lon, lat);
        const PJ_FACTORS f = proj_factors(crs_, proj_coord(lon * kDegree, lat * kDegree, 0, 0));
        return f.meridian_convergence / kDegree;
    }

private:
    PJ_CONTEXT* ctx_ = nullptr;
    PJ* crs_ = nullptr;
    PJ* to_geo_ = nullptr;
    geod_geodesic geod_{};
};

void put_int32(std::vector<unsigned char>& out, std::int32_t v) {
    std::uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<unsigned char>(u >> (8 * k)));
}
void put_float(std::vector<unsigned char>& out, float v) {
    std::int32_t i;
    std::memcpy(&i, &v, sizeof i);
    put_int32(out, i);
}

int usage() {
    std::fprintf(stderr, "usage: make_rotation_grid JTSK|S42 OUTPUT [--spacing METRES] [--check N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const ProjectionSpec* spec = nullptr;
    for (const ProjectionSpec& p : kProjections)
        if (std::strcmp(argv[1], p.name) == 0) spec = &p;
    if (!spec) return usage();
    const std::string output = argv[2];
    double spacing = kDefaultSpacing;
    int checks = 0;
    for (int i = 3; i < argc; i += 2) {
        if (i + 1 >= argc) return usage();
        bool ok = false;
        if (std::strcmp(argv[i], "--spacing") == 0) ok = zemo::scan_double(argv[i + 1], spacing);
        else if (std::strcmp(argv[i], "--check") == 0) ok = zemo::scan_int(argv[i + 1], checks);
        if (!ok) return usage();
    }
    if (!(spacing >= 100)) return usage();

    try {
        const Rotation rot(spec->crs);

        // Projected extent of the area's outline and interior.
        double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
        constexpr int kSamples = 200;
        for (int a = 0; a <= kSamples; ++a)
            for (int b = 0; b <= kSamples; ++b) {
                const double lon = kWestLon + (kEastLon - kWestLon) * a / kSamples;
                const double lat = kSouthLat + (kNorthLat - kSouthLat) * b / kSamples;
                double x, y;
                rot.projected(lon, lat, x, y);
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
        const double ax0 = x0 - kMarginMetres, ax1 = x1 + kMarginMetres;
        const double ay0 = y0 - kMarginMetres, ay1 = y1 + kMarginMetres;
        // Nodes on whole multiples of the spacing, one node beyond the area.
        const double gx0 = (std::floor(ax0 / spacing) - 1) * spacing;
        const double gy0 = (std::floor(ay0 / spacing) - 1) * spacing;
        const int nx = static_cast<int>(std::ceil(ax1 / spacing) + 1 - gx0 / spacing) + 1;
        const int ny = static_cast<int>(std::ceil(ay1 / spacing) + 1 - gy0 / spacing) + 1;
        const double gx1 = gx0 + (nx - 1) * spacing, gy1 = gy0 + (ny - 1) * spacing;

        std::vector<unsigned char> out;
        char name[4] = {0, 0, 0, 0};
        std::memcpy(name, spec->name, std::strlen(spec->name));
        out.insert(out.end(), name, name + 4);
        put_int32(out, nx);
        put_int32(out, ny);
        for (double v : {gx0, gy0, gx1, gy1, spacing, spacing}) put_float(out, static_cast<float>(v));
        put_int32(out, 0);  // offset 36: reserved

        double min_value = 1e300, max_value = -1e300, max_cross = 0;
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const double x = gx0 + i * spacing, y = gy0 + j * spacing;
                const double azimuth = rot.grid_north_azimuth(x, y);
                // PROJ's convergence (slow: it builds its operation per call)
                // at every eighth node in each direction.
                if (i % 8 == 0 && j % 8 == 0)
                    max_cross = std::max(max_cross, std::fabs(rot.convergence(x, y) - azimuth));
                min_value = std::min(min_value, azimuth), max_value = std::max(max_value, azimuth);
                put_float(out, static_cast<float>(azimuth));
            }

        std::FILE* f = std::fopen(output.c_str(), "wb");
        if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "cannot write %s\n", output.c_str());
            return 1;
        }
        std::printf("%s (%s): area x %.0f..%.0f, y %.0f..%.0f (margin %.0f m)\n", spec->name, spec->crs, ax0, ax1, ay0,
                    ay1, kMarginMetres);
        std::printf("  nodes %d x %d, spacing %.0f m, x %.0f..%.0f, y %.0f..%.0f, %zu bytes\n", nx, ny, spacing, gx0,
                    gx1, gy0, gy1, out.size());
        std::printf("  rotation %.4f..%.4f degrees; largest difference to PROJ's convergence %.2e degrees\n", min_value,
                    max_value, max_cross);

        if (checks > 0) {
            std::mt19937_64 random(12345);
            std::uniform_real_distribution<double> ux(ax0, ax1), uy(ay0, ay1);
            zemo::RunLog log;  // a fault of the grid just written ends the tool through its fatal message
            double worst = 0, wx = 0, wy = 0;
            for (int k = 0; k < checks; ++k) {
                const double x = ux(random), y = uy(random);
                const double looked_up = zemo::look_up_rotation_in(log, output, spec->name, x, y);
                const double err = std::fabs(looked_up - rot.grid_north_azimuth(x, y));
                if (err > worst) worst = err, wx = x, wy = y;
            }
            std::printf("  interpolation: largest error %.5f degrees at (%.0f, %.0f) over %d places\n", worst, wx, wy,
                        checks);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
