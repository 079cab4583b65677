// Not built yet: placeholder until this stage is implemented.
#include "input/sources.h"
namespace zemo {
Sources& sources() { static Sources s; return s; }
int read_sources(ReaderPass) { return 0; }
}  // namespace zemo
