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
    const std::uint8_t selector = data[0];
    const int kind = std::min(selector >> 6, 2);
    const bool with_no2 = (selector & 16) == 0;
    RunLog log;
    fuzz::quiet_log(log);
    PartialNumbers notes;
    InputContext in{log, notes};

    ProjectConfig cfg;
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

    WindRoses roses;
    roses.count = 2;
    roses.Wnd_id = {11, 22};
    roses.sectors_in_file = 8;

    // The memory a run may take is libFuzzer's RSS limit (scripts/fuzz),
    // not the machine's, and it is not looked up again for every input.
    constexpr std::uint64_t kMemoryLimit = 2048ull << 20;
    fuzz::run_reader(
        [&] { read_sources(selector & 8 ? ReaderPass::Test : ReaderPass::Fill, cfg, roses, kMemoryLimit, in); });
    return 0;
}
