// The reference-point reader. The first input byte chooses the table type
// (bits 0-2, fuzz_support.h) and the mode (bits 3-4: the loading pass, the
// desktop program's single-file test, or the loading pass followed by the
// computation's reading of every point); the rest is the table. The wind
// roses are 2 and 1, as in the point fixtures.
#include "fuzz/fuzz_support.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/wind_roses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const int mode = (selector >> 3) & 3;
    // The records of one input, fresh for each.
    RunLog log;
    fuzz::quiet_log(log);
    PartialNumbers notes;
    InputContext in{log, notes};
    ProjectConfig cfg;
    cfg.grid_files.push_back(fuzz::choose_table(selector, fuzz::scratch_path("b.txt"), fuzz::scratch_path("b.dbf")));
    fuzz::write_table(cfg.grid_files[0], data + 1, size - 1);

    WindRoses roses;
    roses.count = 2;
    roses.Wnd_id = {2, 1};
    roses.sectors_in_file = 8;

    run_stage(log, [&] {
        if (mode == 1) {
            load_reference_points(cfg, WindRoses{}, in, PointReaderMode::Test);
            return 0;
        }
        const ReferencePointTables points = load_reference_points(cfg, roses, in, PointReaderMode::Loading);
        if (mode < 2) return 0;
        PointCursor cursor;
        open_point_table(in, points.tables[0], cursor);
        ReferencePoint point;
        while (read_next_point(in, roses, PointReaderMode::Computing, points.tables[0], cursor, point) !=
               PointRead::End) {
        }
        return 0;
    });
    return 0;
}
