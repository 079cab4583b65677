// Point statistics: per pollutant the annual mean Crok, the short-term
// maximum Cmax, the exceedance frequencies, the group shares and the 16
// output-sector results, formed from Conc of one reference point.
//
// Conventions kept by every value below:
//  1. A case takes part only when the point's wind rose gives it a frequency
//     of 0.00001 % or more.
//  2. Comparisons are strict: a concentration equal to a limit is not an
//     exceedance; of two equal maxima (or minima) the earlier one is kept
//     (cases in the order class I..V, speed 1..3; directions of a sector in
//     clockwise order from its first direction).
//  3. A direction or sector that no case reaches stays unset: maximum
//     -1e32, minimum +1e32, classes 0, direction -1 (kUnsetMaximum,
//     kUnsetMinimum, SectorCase::is_set()).
//  4. Group shares and every sector value are formed only for the standard
//     and extended result types; for the basic type they stay reset.
//  5. Nothing is allocated per point: the vectors are sized at the first
//     point of a run and reused.
#pragma once

#include <array>
#include <vector>

#include "base/run_log.h"
#include "input/reference_points.h"
#include "input/run_inputs.h"
#include "input/wind_roses.h"
#include "model/concentration.h"

namespace zemo {

inline constexpr int kOutputSectors = 16;
inline constexpr double kUnsetMaximum = -1e32;
inline constexpr double kUnsetMinimum = 1e32;
// A case whose wind-rose frequency (percent) is below this does not occur.
inline constexpr double kMinCaseFrequency = 0.00001;

struct SectorCase {
    double value = 0;
    int stability = 0;   // 1..5, 0 when unset
    int speed = 0;       // 1..3, 0 when unset
    int direction = -1;  // -1 when unset

    bool is_set() const { return stability > 0; }
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

    // Working values per computation direction (direction is set to d when
    // a case reached it).
    std::array<SectorCase, kMaxSectors> direction_max{};
    std::array<SectorCase, kMaxSectors> direction_min{};
    std::array<std::array<double, 2>, kMaxSectors> direction_exceedance{};
    // Frequency-weighted background of each sector (before it is spread
    // over the sector means).
    std::array<double, kOutputSectors> sector_background{};
    // Per source (points, lines, areas): the sum of its annual-mean
    // contributions over every direction and speed class. Standard and
    // extended result types only.
    std::vector<double> source_contribution;
};

struct PointStatistics {
    std::vector<PollutantStatistics> pollutants;
};

// The directions of output sector s for `directions` computation
// directions (a multiple of 16, width m = directions / 16), in clockwise
// order, with their weights: an odd m gives m directions centred on s*m,
// each of weight 1; an even m gives m + 1 directions centred on s*m with
// weight 1/2 at both ends. Returns the number of directions written.
int sector_window(int s, int directions, int* direction, double* weight);

// Forms the statistics of one point (point.wind_rose = index of its rose)
// from conc, the point's wind rose, the transfers, the group table, the
// project's pollutants and result type and the model's direction count.
// Pure: it reads only its arguments and raises no message, so the worker
// threads call it side by side; a direction count that does not suit the
// sectors is refused before by check_sector_setting.
void point_statistics(const RunInputs& in, const ConcMatrix& conc, const ReferencePoint& point, PointStatistics& stats);

// Ends the run with the fatal message 34 when the direction count of the
// model settings is not a multiple of 16 for a result type with sectors
// (standard, extended). The point loop checks it on the run's thread
// before the first point is computed, after that point's log lines.
void check_sector_setting(const RunInputs& in, RunLog& log);

}  // namespace zemo
