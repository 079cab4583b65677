// Not built yet: placeholder until this stage is implemented.
#include "input/transfers.h"
namespace zemo {
Transfers& transfers() { static Transfers t; return t; }
int read_transfers(ReaderPass) { return 0; }
}  // namespace zemo
