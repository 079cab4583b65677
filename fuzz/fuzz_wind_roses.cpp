// The wind-rose reader (read_wind_roses). The first input byte chooses the
// table type (fuzz_support.h), the pass (bit 3: the desktop program's
// single-file test instead of counting and filling) and the computation's
// sectors (bits 4-5: 48, 36, 16 or 8); the rest is the table.
#include "fuzz/fuzz_support.h"
#include "input/wind_roses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    if (size < 1) return 0;
    fuzz::reset_run_state();
    const std::uint8_t selector = data[0];
    ProjectConfig& cfg = project();
    cfg.wind_roses = fuzz::choose_table(selector, fuzz::scratch_path("r.txt"), fuzz::scratch_path("r.dbf"));
    fuzz::write_table(cfg.wind_roses, data + 1, size - 1);
    model_settings().set_methodology_defaults();
    static constexpr int kSectors[4] = {48, 36, 16, 8};
    model_settings().directions = kSectors[(selector >> 4) & 3];
    run_stage([&] {
        if (selector & 8) return read_wind_roses(ReaderPass::Test);
        if (read_wind_roses(ReaderPass::Count) != 0) return -100;
        return read_wind_roses(ReaderPass::Fill);
    });
    fuzz::reset_run_state();
    return 0;
}
