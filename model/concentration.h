// Conc, the concentration matrix of one reference point: for pollutant p
// and case slot c (0..863) one value per source j, sources in the order
// points (0..NP-1), lines (NP..NP+NL-1), areas (NP+NL..N-1).
// Slots 144k + 48s + d (k = 0..4) hold short-term concentrations of the
// case (class k, speed class s, direction d); slots 720 + 48s + d hold each
// source's contribution to the annual mean. Values in micrograms per m3.
//
// Only the sources that can reach the point have a column: the point's
// columns are a list of source indices in ascending order. Within a point,
// each direction keeps the columns it wrote: a pass marks a column in a
// direction before its first value there, which sets the column's slots of
// that direction to 0. A value that is not marked reads as an exact 0, so
// nothing is cleared between points.
//
// The values of one column (one source, P x 864) are contiguous, so that a
// source's computation stays within a few kilobytes. The sources are
// computed in column order, and as each column is finished its marked
// values are added to the case totals: each total is then the sum over all
// sources in source order (an unmarked value is an exact zero, which
// would leave a sum as it is), without a pass over the whole matrix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "input/case_layout.h"
#include "input/wind_roses.h"

namespace zemo {

class ConcMatrix {
public:
    // Allocates P x 864 values for each of `columns` columns (at most
    // `sources`, the default); false when the memory is not there. Every
    // source has a column, with every value 0, until use_columns is called.
    bool allocate(int pollutants, int sources, int columns = -1);
    void release();
    // Gives the point the columns of the listed sources (ascending, each
    // below sources(), at most the allocated columns), none of them marked,
    // and sets the case totals to 0.
    void use_columns(const std::vector<int>& sources);
    // Every source gets a column, every value is 0 and counts as written
    // (tests fill the matrix by hand; the sums are then taken on request).
    void clear();
    // Column a gets values in the slots of direction d: sets its slots of
    // the direction to 0. Once per column and direction.
    void mark(int d, int column);
    // Column a has all its values: adds them to the case totals. Columns
    // are finished in ascending order.
    void finish_column(int column);

    int pollutants() const { return P_; }
    int sources() const { return N_; }
    int columns() const { return A_; }
    int capacity() const { return capacity_; }
    // The source of column a, and the column of source j (-1: none).
    int source_of(int a) const { return source_of_[a]; }
    int column_of(int j) const { return column_of_[j]; }
    // The columns written in direction d, ascending.
    const std::vector<int>& written(int d) const { return dense_ ? all_ : written_[d]; }

    // Only written values are valid (see written()).
    double& at(int p, int c, int column) { return values_[index(p, c, column)]; }
    double at(int p, int c, int column) const { return values_[index(p, c, column)]; }
    // The value of source j (0 for a source without a written column).
    double value(int p, int c, int j) const;
    // Sum over all sources of one (p, c), in source order.
    double sum(int p, int c) const;

private:
    std::size_t index(int p, int c, int column) const {
        return (static_cast<std::size_t>(column) * P_ + p) * kCaseSlots + c;
    }
    bool marked(int d, int column) const { return (marks_[column] >> d) & 1u; }

    int P_ = 0, N_ = 0, A_ = 0, capacity_ = 0;
    std::vector<double> values_;
    std::vector<double> totals_;  // [p * 864 + c]
    std::vector<int> source_of_, column_of_;
    // Dense: every column counts as written (after clear()).
    bool dense_ = true;
    std::vector<int> all_;
    std::vector<int> written_[kMaxSectors];
    std::vector<std::uint64_t> marks_;  // per column, bit d: marked in direction d
};

}  // namespace zemo
