// The console program's project-file reader (read_project) on the
// input as the ".atm" file.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    fuzz::Reading reading;
    const std::string path = fuzz::write_input("p.atm", data, size);
    run_stage(reading.log, [&] {
        (void)read_project(path, "/", reading.in);
        return 0;
    });
    return 0;
}
