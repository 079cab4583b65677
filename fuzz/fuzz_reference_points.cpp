// The reference-point reader. The first input byte chooses the table type
// (bits 0-2, fuzz_support.h) and the mode (bits 3-4: the loading pass, the
// desktop program's single-file test, or the loading pass followed by the
// computation's reading of every point); the rest is the table. The wind
// roses are 2 and 1, as in the point fixtures.
#include "fuzz/fuzz_support.h"
#include "input/reference_points.h"
#include "input/wind_roses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    if (size < 1) return 0;
    fuzz::reset_run_state();
    const std::uint8_t selector = data[0];
    const int mode = (selector >> 3) & 3;
    ProjectConfig& cfg = project();
    cfg.grid_files.push_back(fuzz::choose_table(selector, fuzz::scratch_path("b.txt"), fuzz::scratch_path("b.dbf")));
    fuzz::write_table(cfg.grid_files[0], data + 1, size - 1);

    model_settings().set_methodology_defaults();
    WindRoses& roses = wind_roses();
    roses.count = 2;
    roses.Wnd_id = {2, 1};
    roses.sectors_in_file = 8;

    run_stage([&] {
        if (mode == 1) return load_reference_points(PointReaderMode::Test);
        if (load_reference_points(PointReaderMode::Loading) != 0) return -100;
        if (mode < 2) return 0;
        PointCursor cursor;
        if (open_point_table(0, cursor) != 0) return -100;
        ReferencePoint point;
        int status = 0;
        while ((status = read_next_point(PointReaderMode::Computing, 0, cursor, point)) == 0 || status == 100) {
        }
        return status == 1 ? 0 : status;
    });
    fuzz::reset_run_state();
    return 0;
}
