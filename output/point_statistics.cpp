// Not built yet: placeholder until this stage is implemented.
#include "output/point_statistics.h"
namespace zemo {
void point_statistics(const ConcMatrix&, const ReferencePoint&, PointStatistics&) {}
}  // namespace zemo
