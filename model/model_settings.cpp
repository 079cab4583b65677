// Not built yet: placeholder until this stage is implemented.
#include "model/model_settings.h"
namespace zemo {
ModelSettings& model_settings() { static ModelSettings s; return s; }
int load_model_settings() { model_settings().set_methodology_defaults(); return 0; }
int load_model_settings_from(const std::string&) { return load_model_settings(); }
}  // namespace zemo
