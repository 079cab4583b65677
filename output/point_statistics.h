// Point statistics: per pollutant the annual mean Crok, the short-term
// maximum Cmax, the exceedance frequencies, the group shares and the 16
// output-sector results, formed from Conc of one reference point.
#pragma once

#include <array>
#include <vector>

#include "input/reference_points.h"
#include "model/concentration.h"

namespace zemo {

inline constexpr int kOutputSectors = 16;

struct SectorCase {
    double value = 0;
    int stability = 0;   // 1..5, 0 when unset
    int speed = 0;       // 1..3, 0 when unset
    int direction = -1;  // -1 when unset
};

struct PollutantStatistics {
    double Crok = 0;
    double Cmax = 0;
    double P[2] = {0, 0};
    std::vector<double> group_shares;  // per group-table position, then the background
    std::array<double, kOutputSectors> sector_mean{};
    std::array<SectorCase, kOutputSectors> sector_max{};
    std::array<SectorCase, kOutputSectors> sector_min{};
    std::array<std::array<double, 2>, kOutputSectors> sector_exceedance{};
};

struct PointStatistics {
    std::vector<PollutantStatistics> pollutants;
};

// Forms the statistics of one point (rose = the point's wind-rose index).
void point_statistics(const ConcMatrix& conc, const ReferencePoint& point, PointStatistics& stats);

}  // namespace zemo
