// Not built yet: placeholder until this stage is implemented.
#include "input/input_loading.h"
namespace zemo {
int load_input_data() { return 0; }
}  // namespace zemo
