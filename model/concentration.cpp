#include "model/concentration.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <stdexcept>

namespace zemo {

static_assert(kMaxSectors <= 64, "a column's marks are one bit per direction");

bool ConcMatrix::allocate(int pollutants, int sources, int columns) {
    if (columns < 0 || columns > sources) columns = sources;
    try {
        values_.assign(static_cast<std::size_t>(pollutants) * kCaseSlots * static_cast<std::size_t>(columns), 0.0);
        totals_.assign(static_cast<std::size_t>(pollutants) * kCaseSlots, 0.0);
        source_of_.resize(static_cast<std::size_t>(columns));
        column_of_.assign(static_cast<std::size_t>(sources), -1);
        all_.resize(static_cast<std::size_t>(columns));
        marks_.assign(static_cast<std::size_t>(columns), 0);
    } catch (const std::bad_alloc&) {
        release();
        return false;
    }
    P_ = pollutants;
    N_ = sources;
    capacity_ = columns;
    A_ = 0;
    clear();
    return true;
}

void ConcMatrix::release() {
    std::vector<double>().swap(values_);
    std::vector<double>().swap(totals_);
    std::vector<int>().swap(source_of_);
    std::vector<int>().swap(column_of_);
    std::vector<int>().swap(all_);
    std::vector<std::uint64_t>().swap(marks_);
    for (auto& w : written_) std::vector<int>().swap(w);
    dense_ = true;
    P_ = N_ = A_ = capacity_ = 0;
}

void ConcMatrix::use_columns(const std::vector<int>& sources) {
    for (auto& w : written_) w.clear();
    for (int a = 0; a < A_; ++a) {
        column_of_[source_of_[a]] = -1;
        marks_[a] = 0;
    }
    if (dense_) std::fill(marks_.begin(), marks_.end(), 0);
    dense_ = false;
    A_ = 0;
    if (sources.size() > static_cast<std::size_t>(capacity_))
        throw std::length_error("more sources in reach than the matrix has columns");
    A_ = static_cast<int>(sources.size());
    for (int a = 0; a < A_; ++a) {
        source_of_[a] = sources[a];
        column_of_[sources[a]] = a;
    }
    std::fill(totals_.begin(), totals_.end(), 0.0);
}

void ConcMatrix::mark(int d, int column) {
    if (dense_) return;
    written_[d].push_back(column);
    marks_[column] |= std::uint64_t{1} << d;
    for (int p = 0; p < P_; ++p)
        for (int block = 0; block < kCaseBlocks; ++block)
            for (int s = 0; s < kSpeedClasses; ++s) at(p, case_slot(block, s, d), column) = 0.0;
}

void ConcMatrix::finish_column(int column) {
    if (dense_) return;
    const std::uint64_t marks = marks_[column];
    if (marks == 0) return;
    for (int p = 0; p < P_; ++p) {
        const double* v = &values_[index(p, 0, column)];
        double* total = &totals_[static_cast<std::size_t>(p) * kCaseSlots];
        for (int d = 0; d < kMaxSectors; ++d) {
            if (!((marks >> d) & 1u)) continue;
            for (int block = 0; block < kCaseBlocks; ++block)
                for (int s = 0; s < kSpeedClasses; ++s) {
                    const int c = case_slot(block, s, d);
                    total[c] += v[c];
                }
        }
    }
}

void ConcMatrix::clear() {
    for (int a = 0; a < A_; ++a) column_of_[source_of_[a]] = -1;
    for (auto& w : written_) w.clear();
    A_ = capacity_;
    for (int a = 0; a < A_; ++a) source_of_[a] = column_of_[a] = a;
    std::iota(all_.begin(), all_.end(), 0);
    std::fill(values_.begin(), values_.end(), 0.0);
    dense_ = true;
}

double ConcMatrix::value(int p, int c, int j) const {
    const int a = column_of_[j];
    if (a < 0) return 0.0;
    if (!dense_ && !marked(c % kMaxSectors, a)) return 0.0;
    return at(p, c, a);
}

double ConcMatrix::sum(int p, int c) const {
    if (!dense_) return totals_[static_cast<std::size_t>(p) * kCaseSlots + c];
    double total = 0;
    for (int a = 0; a < A_; ++a) total += at(p, c, a);
    return total;
}

}  // namespace zemo
