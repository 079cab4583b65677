// Not built yet: placeholder until this stage is implemented.
#include "input/reference_points.h"
namespace zemo {
ReferencePointTables& reference_point_tables() { static ReferencePointTables t; return t; }
int load_reference_points(PointReaderMode) { return 0; }
}  // namespace zemo
