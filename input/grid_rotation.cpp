// The grid-rotation look-up.
//
// A rotation grid file (little-endian) is a 40-byte header followed by
// nx * ny single-precision rotations in degrees, row by row in increasing
// Y, nodes in increasing X within a row:
//
//   offset  0  char[4]  projection name ("JTSK", "S42" padded with NUL)
//           4  int32    nx, nodes per row
//           8  int32    ny, rows
//          12  float32  X of the first node (minimum X)
//          16  float32  Y of the first node (minimum Y)
//          20  float32  maximum X of the area covered
//          24  float32  maximum Y of the area covered
//          28  float32  node spacing along X
//          32  float32  node spacing along Y
//          40  float32  node (i, j) at 40 + 4 * (j * nx + i)
//
// Invariants:
//   1. Every header value is checked against the others and against the
//      file's real size before any node is read; the look-up reads the four
//      nodes of one cell and never a byte past the grid.
//   2. The centre must lie strictly inside the range that the header's area
//      and the grid's nodes both cover: X from minimum X to the smaller of
//      maximum X and the last node (minimum X + (nx - 1) * spacing X), Y
//      alike. A centre on a border, or in a cell whose far nodes lie beyond
//      the grid, is refused, and the message shows that range.
//   3. The arithmetic runs in single precision; the four nodes are weighted
//      by the inverse of their squared distance from the centre (normalised
//      to a sum of 1); a centre on a node takes that node's value.
#include "input/grid_rotation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/files.h"
#include "base/format.h"
#include "base/platform.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/text.h"
#include "input/reference_points.h"

namespace zemo {

namespace {

constexpr long kHeaderSize = 40;

std::int32_t int32_at(const unsigned char* p) {
    const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    std::int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

float float_at(const unsigned char* p) {
    const std::int32_t bits = int32_at(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

[[noreturn]] void damaged(RunLog& log, const std::string& path, const std::string& reason) {
    log.fatalf(kFatalData, "chyba v souboru %s\n      %s"_cz, path.c_str(), reason.c_str());
}

// Reads two consecutive nodes (i, j) and (i + 1, j).
void read_pair(RunLog& log, File& file, const std::string& path, std::int32_t nx, std::int32_t i, std::int32_t j,
               float out[2]) {
    const long offset = kHeaderSize + 4L * (static_cast<long>(j) * nx + i);
    unsigned char bytes[8];
    if (!file.seek(offset) || file.read_bytes(bytes, sizeof bytes) != sizeof bytes)
        damaged(log, path, format("nelze přečíst uzly (%i, %i) a (%i, %i)"_cz, i, j, i + 1, j));
    out[0] = float_at(bytes);
    out[1] = float_at(bytes + 4);
    for (int k = 0; k < 2; ++k)
        if (!std::isfinite(out[k])) damaged(log, path, format("neplatná hodnota v uzlu (%i, %i)"_cz, i + k, j));
}

}  // namespace

double look_up_rotation_in(RunLog& log, const std::string& grid_path, const char* projection_name, double centre_x,
                           double centre_y) {
    File file;
    if (!file.open(grid_path, "rb")) log.fatal(kFatalOpen, with_cause(grid_path, grid_path, file.error()));

    const long size = file.size();
    unsigned char header[kHeaderSize];
    if (size < kHeaderSize || file.read_bytes(header, sizeof header) != sizeof header)
        damaged(log, grid_path, format("soubor je kratší než hlavička (%li bajtů)"_cz, kHeaderSize));

    // Only as many bytes as the expected name has are compared.
    const std::size_t name_length = std::strlen(projection_name);
    char name_read[5] = {0, 0, 0, 0, 0};
    std::memcpy(name_read, header, 4);
    if (name_length > 4 || std::memcmp(header, projection_name, name_length) != 0)
        log.fatalf(kFatalData, "chyba v souboru %s\n      načtená projekce %s očekávaná projekce %s\n"_cz,
                   grid_path.c_str(), name_read, projection_name);

    const std::int32_t nx = int32_at(header + 4);
    const std::int32_t ny = int32_at(header + 8);
    const float x_min = float_at(header + 12), y_min = float_at(header + 16);
    const float x_max = float_at(header + 20), y_max = float_at(header + 24);
    const float dx = float_at(header + 28), dy = float_at(header + 32);
    if (nx < 2 || ny < 2)
        damaged(log, grid_path,
                format("chybný počet uzlů sítě: %i x %i"_cz, static_cast<int>(nx), static_cast<int>(ny)));
    if (!(std::isfinite(dx) && dx > 0 && std::isfinite(dy) && dy > 0))
        damaged(log, grid_path, format("chybný krok sítě: %.3f, %.3f"_cz, dx, dy));
    if (!(std::isfinite(x_min) && std::isfinite(y_min) && std::isfinite(x_max) && std::isfinite(y_max) &&
          x_min < x_max && y_min < y_max))
        damaged(log, grid_path,
                format("chybný rozsah sítě: (%.1f, %.1f) - (%.1f, %.1f)"_cz, x_min, y_min, x_max, y_max));
    // Both counts lie in 2 .. 2^31 - 1 here, so the size the grid needs is
    // below 2^64: exact in an unsigned 64-bit integer, not in a signed one.
    const unsigned long long needed = static_cast<unsigned long long>(kHeaderSize) +
                                      4ULL * static_cast<unsigned long long>(nx) * static_cast<unsigned long long>(ny);
    if (static_cast<unsigned long long>(size) < needed)
        damaged(log, grid_path,
                format("soubor má %li bajtů, síť %i x %i potřebuje %llu"_cz, size, static_cast<int>(nx),
                       static_cast<int>(ny), needed));

    // The range accepted, open at both ends: the area of the header, cut at
    // the last node so that the far nodes of every cell inside are read.
    const float x_last = x_min + static_cast<float>(nx - 1) * dx;
    const float y_last = y_min + static_cast<float>(ny - 1) * dy;
    const float x_high = std::min(x_max, x_last);
    const float y_high = std::min(y_max, y_last);
    const float x = static_cast<float>(centre_x);
    const float y = static_cast<float>(centre_y);
    if (!(x > x_min && x < x_high))
        log.fatalf(kFatalData, "souřadnice X (%.1f) mimo rozsah (%.1f, %.1f)"_cz, x, x_min, x_high);
    if (!(y > y_min && y < y_high))
        log.fatalf(kFatalData, "souřadnice Y (%.1f) mimo rozsah (%.1f, %.1f)"_cz, y, y_min, y_high);

    // The cell. Inside the range it is one of 0 .. nx - 2 (0 .. ny - 2); the
    // bound only catches a quotient rounded up onto the last node.
    const std::int32_t i =
        static_cast<std::int32_t>(std::clamp(std::floor((x - x_min) / dx), 0.0f, static_cast<float>(nx - 2)));
    const std::int32_t j =
        static_cast<std::int32_t>(std::clamp(std::floor((y - y_min) / dy), 0.0f, static_cast<float>(ny - 2)));

    float lower[2], upper[2];
    read_pair(log, file, grid_path, nx, i, j, lower);
    read_pair(log, file, grid_path, nx, i, j + 1, upper);
    file.close();

    const float node_value[4] = {lower[0], lower[1], upper[0], upper[1]};
    const float node_x[4] = {x_min + static_cast<float>(i) * dx, x_min + static_cast<float>(i + 1) * dx,
                             x_min + static_cast<float>(i) * dx, x_min + static_cast<float>(i + 1) * dx};
    const float node_y[4] = {y_min + static_cast<float>(j) * dy, y_min + static_cast<float>(j) * dy,
                             y_min + static_cast<float>(j + 1) * dy, y_min + static_cast<float>(j + 1) * dy};
    float weight[4];
    float weight_sum = 0.0f;
    for (int k = 0; k < 4; ++k) {
        const float ddx = x - node_x[k], ddy = y - node_y[k];
        const float d2 = ddx * ddx + ddy * ddy;
        weight[k] = 1.0f / d2;
        if (!std::isfinite(weight[k]))
            return static_cast<double>(node_value[k]);  // the centre is this node (or as good as)
        weight_sum += weight[k];
    }
    float value = 0.0f;
    for (int k = 0; k < 4; ++k) value += weight[k] / weight_sum * node_value[k];
    return static_cast<double>(value);
}

std::string rotation_grid_path(const std::string& installation_directory, int projection) {
    return installation_directory + "data" + platform::kDirSeparator + "rot" + kProjectionNames[projection] + ".abn";
}

double look_up_rotation(const ProjectConfig& project, const ReferencePointTables& points,
                        const std::string& installation_directory, RunLog& log) {
    // A local grid has no rotation grid: its rotation comes from the project.
    if (project.projection == kProjectionJina) return project.rotation;
    const char* name = kProjectionNames[project.projection];
    const std::string path = rotation_grid_path(installation_directory, project.projection);
    const double rotation = look_up_rotation_in(log, path, name, points.centre_x, points.centre_y);
    log.messagef(kDetail, "Otočení souřadné sítě z rotační sítě %s ve středu referenčních bodů (%.1f, %.1f): %.4f"_cz,
                 path.c_str(), points.centre_x, points.centre_y, rotation);
    return rotation;
}

}  // namespace zemo
