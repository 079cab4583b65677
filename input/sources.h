// Emission sources held as parallel arrays per field: SrcP_ (point), SrcL_
// (line), SrcA_ (area), one emission array per pollutant (value as read x
// 1,000,000, so micrograms per second), and the group table.
#pragma once

#include <string>
#include <vector>

#include "input/input_table.h"

namespace zemo {

enum SourceClass : int { kClassRemote = 0, kClassOther = 1, kClassTraffic = 2 };
inline constexpr int kMaxGroups = 100;
inline constexpr std::size_t kMaxSourceId = 9;

struct Sources {
    int NP = 0, NL = 0, NA = 0, total = 0;

    // point sources
    std::vector<std::string> SrcP_id;
    std::vector<int> SrcP_class, SrcP_group, SrcP_wrose;
    std::vector<double> SrcP_x, SrcP_y, SrcP_z, SrcP_h, SrcP_q, SrcP_doba, SrcP_no2_nox;
    std::vector<std::vector<double>> SrcP_e;  // [pollutant][source]

    // line sources: start point x, y, z and end point x1, y1, z1
    std::vector<std::string> SrcL_id;
    std::vector<int> SrcL_class, SrcL_group, SrcL_wrose;
    std::vector<double> SrcL_x, SrcL_y, SrcL_z, SrcL_x1, SrcL_y1, SrcL_z1, SrcL_dx, SrcL_doba, SrcL_no2_nox;
    std::vector<std::vector<double>> SrcL_e;

    // area sources
    std::vector<std::string> SrcA_id;
    std::vector<int> SrcA_class, SrcA_group, SrcA_wrose;
    std::vector<double> SrcA_x, SrcA_y, SrcA_z, SrcA_h, SrcA_q, SrcA_dx, SrcA_doba, SrcA_no2_nox;
    std::vector<std::vector<double>> SrcA_e;

    // group table: distinct group numbers in order of first appearance
    // (point, then line, then area sources)
    std::vector<int> groups;
    int max_group = 0;

    void reset() { *this = Sources{}; }
    // Group number and identifier of source j in the order points, lines, areas.
    int group_of(int j) const;
    const std::string& id_of(int j) const;
    // Position of a group number in the group table, -1 when none.
    int group_index(int group) const;
};

Sources& sources();

// Reads the project's source tables in the given pass: 0 or -100. The
// counting pass allocates; the filling pass checks, stores and builds the
// group table. The test pass checks one kind's table without wind roses.
int read_sources(ReaderPass pass);

}  // namespace zemo
