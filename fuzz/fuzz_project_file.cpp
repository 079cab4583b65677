// The console program's project-file reader (read_project_from) on the
// input as the ".atm" file.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    fuzz::reset_run_state();
    const std::string path = fuzz::write_input("p.atm", data, size);
    run_stage([&] {
        read_project_from(path);
        return 0;
    });
    fuzz::reset_run_state();
    return 0;
}
