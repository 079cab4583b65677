// Not built yet: placeholder until this stage is implemented.
#include "model/computation.h"
namespace zemo {
int run_computation() { return 0; }
}  // namespace zemo
