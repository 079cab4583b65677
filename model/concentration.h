// Conc, the concentration matrix of one reference point: for pollutant p
// and case slot c (0..863) one value per source j, sources in the order
// points (0..NP-1), lines (NP..NP+NL-1), areas (NP+NL..N-1).
// Slots 144k + 48s + d (k = 0..4) hold short-term concentrations of the
// case (class k, speed class s, direction d); slots 720 + 48s + d hold each
// source's contribution to the annual mean. Values in micrograms per m3.
//
// Only the sources that can reach the point have a column: the point's
// columns are a list of source indices in ascending order, and every other
// source's values are exact zeros. Keeping the columns in source order
// makes every sum over the columns the sum over all sources in source
// order (adding an exact zero changes no sum), while the clearing and the
// sums cost in proportion to the sources in reach.
//
// The storage is one contiguous block allocated once per run for every
// source; the values of one (p, c) are contiguous, so that the sums over
// sources are plain loops.
#pragma once

#include <cstddef>
#include <vector>

#include "input/wind_roses.h"

namespace zemo {

inline constexpr int kAnnualBlock = 720;

class ConcMatrix {
public:
    // Allocates P x 864 x N values; false when the memory is not there.
    // Every source has a column until use_columns is called.
    bool allocate(int pollutants, int sources);
    void release();
    // Gives the point the columns of the listed sources (ascending, each
    // below sources()) and sets their values to 0.
    void use_columns(const std::vector<int>& sources);
    // Sets every value to 0 with a column for every source.
    void clear();

    int pollutants() const { return P_; }
    int sources() const { return N_; }
    int columns() const { return A_; }
    // The source of column a, and the column of source j (-1: none).
    int source_of(int a) const { return source_of_[a]; }
    int column_of(int j) const { return column_of_[j]; }

    // The A_ values of one (p, c), by column.
    double* slot(int p, int c) { return values_.data() + (static_cast<std::size_t>(p) * kCaseSlots + c) * A_; }
    const double* slot(int p, int c) const {
        return values_.data() + (static_cast<std::size_t>(p) * kCaseSlots + c) * A_;
    }
    double& at(int p, int c, int column) { return slot(p, c)[column]; }
    double at(int p, int c, int column) const { return slot(p, c)[column]; }
    // The value of source j (0 for a source without a column).
    double value(int p, int c, int j) const {
        const int a = column_of_[j];
        return a < 0 ? 0.0 : slot(p, c)[a];
    }
    // Sum over all sources of one (p, c), in source order.
    double sum(int p, int c) const;

private:
    int P_ = 0, N_ = 0, A_ = 0;
    std::vector<double> values_;
    std::vector<int> source_of_, column_of_;
};

}  // namespace zemo
