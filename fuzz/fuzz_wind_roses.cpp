// The wind-rose reader (read_wind_roses). The first input byte chooses the
// table type (fuzz_support.h), the pass (bit 3: the desktop program's
// single-file test instead of counting and filling) and the computation's
// sectors (bits 4-5: 48, 36, 16 or 8); the rest is the table.
#include "fuzz/fuzz_support.h"
#include "input/wind_roses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    RunLog log;
    fuzz::quiet_log(log);
    PartialNumbers notes;
    InputContext in{log, notes};
    ProjectConfig cfg;
    cfg.wind_roses = fuzz::choose_table(selector, fuzz::scratch_path("r.txt"), fuzz::scratch_path("r.dbf"));
    fuzz::write_table(cfg.wind_roses, data + 1, size - 1);
    ModelSettings settings;
    settings.set_methodology_defaults();
    static constexpr int kSectors[4] = {48, 36, 16, 8};
    settings.directions = kSectors[(selector >> 4) & 3];
    fuzz::run_reader([&] { read_wind_roses(selector & 8 ? ReaderPass::Test : ReaderPass::Fill, cfg, settings, in); });
    return 0;
}
