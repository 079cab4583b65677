// Not built yet: placeholder until this stage is implemented.
#include "output/result_files.h"
namespace zemo {
int prepare_result_files() { return 0; }
void complete_result_files() {}
bool close_result_files() { return true; }
void reset_result_files() {}
}  // namespace zemo
namespace zemo {
void write_point_results(const ReferencePoint&, const ConcMatrix&, const PointStatistics&) {}
}  // namespace zemo
