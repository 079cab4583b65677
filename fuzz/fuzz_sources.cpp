// The source-table reader (read_sources) for the three kinds. The first
// input byte chooses the kind (bits 6-7: point, line, area; 3 is area as
// well), the table type (bits 0-2, fuzz_support.h), the pass (bit 3: the
// single-file test) and whether NO2 is computed (bit 4: the NO2_NOX
// column); the rest is the table. The pollutants are NO2 (or NOx) and
// "pm10", the wind roses 11 and 22, as in the source fixtures.
#include "fuzz/fuzz_support.h"
#include "input/sources.h"
#include "input/wind_roses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    if (size < 1) return 0;
    fuzz::reset_run_state();
    const std::uint8_t selector = data[0];
    const int kind = std::min(selector >> 6, 2);
    const bool with_no2 = (selector & 16) == 0;

    ProjectConfig& cfg = project();
    Pollutant a;
    a.indicative = with_no2 ? "NO2" : "NOx";
    a.type = with_no2 ? kTypeNO2 : kTypeNOX;
    Pollutant b;
    b.indicative = "pm10";
    b.type = kTypePM10;
    cfg.pollutants = {a, b};
    cfg.no2_count = with_no2 ? 1 : 0;
    InputTable* tables[3] = {&cfg.point_sources, &cfg.line_sources, &cfg.area_sources};
    *tables[kind] = fuzz::choose_table(selector, fuzz::scratch_path("s.txt"), fuzz::scratch_path("s.dbf"));
    cfg.source_kinds = kind + 1;
    fuzz::write_table(*tables[kind], data + 1, size - 1);

    model_settings().set_methodology_defaults();
    WindRoses& roses = wind_roses();
    roses.count = 2;
    roses.Wnd_id = {11, 22};
    roses.sectors_in_file = 8;

    run_stage([&] {
        if (selector & 8) return read_sources(ReaderPass::Test);
        if (read_sources(ReaderPass::Count) != 0) return -100;
        return read_sources(ReaderPass::Fill);
    });
    fuzz::reset_run_state();
    return 0;
}
