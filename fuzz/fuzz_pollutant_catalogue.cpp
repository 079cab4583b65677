// The desktop program's pollutant catalogue reader (pol_list_read) on the
// input as etc/pol.cfg, with the texts the catalogue window derives from
// every entry read; the entries read must keep the limits the catalogue
// promises.
#include "desktop/logic/pollutant_catalogue.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    const std::string path = fuzz::write_input("pol.cfg", data, size);
    PollutantCatalogue catalogue;
    const int count = pol_list_read(catalogue, path);
    if (count < 0 || static_cast<std::size_t>(count) > catalogue.entries.size() ||
        catalogue.entries.size() > static_cast<std::size_t>(kMaxCatalogueEntries))
        std::abort();
    for (const CatalogueEntry& entry : catalogue.entries) {
        // What every entry read from a file holds (pollutant_catalogue.h).
        if (entry.indicative.empty() || entry.indicative.size() > kMaxIndicative || entry.type < 0 || entry.type > 8 ||
            entry.name.empty() || entry.name.size() > kMaxPollutantName)
            std::abort();
        (void)type_list_text(entry.type);
        (void)catalogue_number_text(entry.limit1);
        (void)catalogue_number_text(entry.limit2);
        (void)catalogue_indicative_is_safe(entry.indicative);
        (void)catalogue_name_is_safe(entry.name);
        (void)same_name(entry.name, catalogue.entries.front().name);
    }
    return 0;
}
