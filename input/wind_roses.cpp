// Not built yet: placeholder until this stage is implemented.
#include "input/wind_roses.h"
namespace zemo {
WindRoses& wind_roses() { static WindRoses w; return w; }
int WindRoses::find(int id) const { for (int i = 0; i < count; ++i) if (Wnd_id[i] == id) return i; return -1; }
int read_wind_roses(ReaderPass) { return 0; }
}  // namespace zemo
