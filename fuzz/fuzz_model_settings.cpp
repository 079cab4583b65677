// The model-settings reader (load_model_settings_from) on the input as
// etc/zemo.cfg.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    fuzz::reset_run_state();
    const std::string path = fuzz::write_input("zemo.cfg", data, size);
    run_stage([&] { return load_model_settings_from(path); });
    fuzz::reset_run_state();
    return 0;
}
