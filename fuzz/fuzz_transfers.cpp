// The transfers reader (read_transfers). The first input byte chooses the
// table type (bits 0-2, fuzz_support.h), the pass (bit 3: the single-file
// test instead of checking and storing), the sectors of the wind-rose file
// (bits 4-5: 8, 16, 36 or 48) and whether a background list is given as
// well (bit 6: the first line of the rest is the list, the lines after it
// the table). The pollutants are NO2 and PM10.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "input/transfers.h"
#include "input/wind_roses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const std::uint8_t* start = data + 1;
    const std::uint8_t* end = data + size;

    RunLog log;
    fuzz::quiet_log(log);
    PartialNumbers notes;
    InputContext in{log, notes};
    ProjectConfig cfg;
    Pollutant a;
    a.indicative = "NO2";
    a.type = kTypeNO2;
    Pollutant b;
    b.indicative = "PM10";
    b.type = kTypePM10;
    cfg.pollutants = {a, b};
    cfg.no2_count = 1;
    if (selector & 64) {
        const std::uint8_t* newline = std::find(start, end, '\n');
        cfg.background.assign(start, newline);
        cfg.background_given = true;
        start = newline == end ? end : newline + 1;
    }
    cfg.transfers = fuzz::choose_table(selector, fuzz::scratch_path("t.txt"), fuzz::scratch_path("t.dbf"));
    cfg.transfers_given = true;
    fuzz::write_table(cfg.transfers, start, static_cast<std::size_t>(end - start));

    ModelSettings settings;
    settings.set_methodology_defaults();
    static constexpr int kSectors[4] = {8, 16, 36, 48};
    WindRoses roses;
    roses.sectors_in_file = kSectors[(selector >> 4) & 3];

    fuzz::run_reader(
        [&] { read_transfers(selector & 8 ? ReaderPass::Test : ReaderPass::Fill, cfg, settings, roses, in); });
    return 0;
}
