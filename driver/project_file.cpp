// Not built yet: placeholder until this stage is implemented.
#include "driver/project_file.h"
namespace zemo {
const PollutantType kPollutantTypes[9] = {{"JINA", 0}, {"SO2", 1}, {"PM10", 10}, {"TSP", 11}, {"NOX", 20},
                                          {"NO2", 21}, {"CO", 30},  {"ORG", 40},  {"BZN", 41}};
const char* const kProjectionNames[3] = {"JINA", "JTSK", "S42"};
ProjectConfig& project() { static ProjectConfig p; return p; }
void read_project() {}
void read_project_from(const std::string&) {}
}  // namespace zemo
