// Not built yet: placeholder until this stage is implemented.
#include "input/input_table.h"
namespace zemo {
int InputTable::type_code() const { return -1; }
}  // namespace zemo
