// The rotation-grid look-up (look_up_rotation_in). The first input byte
// chooses the projection (bit 7: S42, else JTSK) and, with the second, the
// centre of the reference points as a fraction of the area the header
// gives (from a quarter below its minimum to a quarter above its maximum,
// so that centres outside and on the border are tried too); the rest is
// the grid file.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "input/grid_rotation.h"

namespace {
float float_at(const std::uint8_t* p) {
    const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    float v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
// A coordinate between min and max at fraction (k - 32) / 64 of the range, k = 0..127.
double coordinate(const std::uint8_t* header, int min_offset, int max_offset, int k) {
    const double low = float_at(header + min_offset), high = float_at(header + max_offset);
    return low + (high - low) * (k - 32) / 64.0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    if (size < 2) return 0;
    const char* name = (data[0] & 128) ? "S42" : "JTSK";
    const std::uint8_t* grid = data + 2;
    const std::size_t grid_size = size - 2;
    double x = 0, y = 0;
    if (grid_size >= 40) {
        x = coordinate(grid, 12, 20, data[0] & 127);
        y = coordinate(grid, 16, 24, data[1] & 127);
    }
    const std::string path = fuzz::write_input("rot.abn", grid, grid_size);
    fuzz::Reading reading;
    run_stage(reading.log, [&] {
        look_up_rotation_in(reading.log, path, name, x, y);
        return 0;
    });
    return 0;
}
