// The model-settings reader (load_model_settings) on the input as
// etc/zemo.cfg.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    fuzz::Reading reading;
    const std::string path = fuzz::write_input("zemo.cfg", data, size);
    run_stage(reading.log, [&] {
        (void)load_model_settings(path, reading.log);
        return 0;
    });
    return 0;
}
