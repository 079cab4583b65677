#include "model/concentration.h"

#include <algorithm>
#include <numeric>
#include <new>
#include <stdexcept>

namespace zemo {

bool ConcMatrix::allocate(int pollutants, int sources, int columns) {
    if (columns < 0 || columns > sources) columns = sources;
    try {
        values_.assign(static_cast<std::size_t>(pollutants) * kCaseSlots * static_cast<std::size_t>(columns), 0.0);
        source_of_.resize(static_cast<std::size_t>(columns));
        column_of_.assign(static_cast<std::size_t>(sources), -1);
        all_.resize(static_cast<std::size_t>(columns));
        marked_.assign(static_cast<std::size_t>(kMaxSectors) * static_cast<std::size_t>(columns), 0);
    } catch (const std::bad_alloc&) {
        release();
        return false;
    }
    P_ = pollutants;
    N_ = sources;
    capacity_ = columns;
    clear();
    return true;
}

void ConcMatrix::release() {
    std::vector<double>().swap(values_);
    std::vector<int>().swap(source_of_);
    std::vector<int>().swap(column_of_);
    std::vector<int>().swap(all_);
    std::vector<unsigned char>().swap(marked_);
    for (auto& w : written_) std::vector<int>().swap(w);
    dense_ = true;
    P_ = N_ = A_ = capacity_ = 0;
}

void ConcMatrix::use_columns(const std::vector<int>& sources) {
    for (int d = 0; d < kMaxSectors; ++d) {
        for (int a : written_[d]) marked_[static_cast<std::size_t>(d) * capacity_ + a] = 0;
        written_[d].clear();
    }
    dense_ = false;
    for (int a = 0; a < A_; ++a) column_of_[source_of_[a]] = -1;
    A_ = 0;
    if (sources.size() > static_cast<std::size_t>(capacity_))
        throw std::length_error("more sources in reach than the matrix has columns");
    A_ = static_cast<int>(sources.size());
    for (int a = 0; a < A_; ++a) {
        source_of_[a] = sources[a];
        column_of_[sources[a]] = a;
    }
}

void ConcMatrix::mark(int d, int column) {
    if (dense_) return;
    written_[d].push_back(column);
    marked_[static_cast<std::size_t>(d) * capacity_ + column] = 1;
    for (int p = 0; p < P_; ++p)
        for (int block = 0; block < 6; ++block)
            for (int s = 0; s < 3; ++s) at(p, case_slot(block, s, d), column) = 0.0;
}

void ConcMatrix::direction_done(int d) {
    std::vector<int>& w = written_[d];
    std::sort(w.begin(), w.end());
}

void ConcMatrix::clear() {
    for (int a = 0; a < A_; ++a) column_of_[source_of_[a]] = -1;
    A_ = capacity_;
    for (int a = 0; a < A_; ++a) source_of_[a] = column_of_[a] = a;
    std::iota(all_.begin(), all_.end(), 0);
    std::fill(values_.begin(), values_.end(), 0.0);
    for (int d = 0; d < kMaxSectors; ++d) {
        for (int a : written_[d]) marked_[static_cast<std::size_t>(d) * capacity_ + a] = 0;
        written_[d].clear();
    }
    dense_ = true;
}

double ConcMatrix::value(int p, int c, int j) const {
    const int a = column_of_[j];
    if (a < 0) return 0.0;
    if (!dense_ && !marked_[static_cast<std::size_t>(c % kMaxSectors) * capacity_ + a]) return 0.0;
    return slot(p, c)[a];
}

double ConcMatrix::sum(int p, int c) const {
    const double* v = slot(p, c);
    double total = 0;
    for (int a : written(c % kMaxSectors)) total += v[a];
    return total;
}

}  // namespace zemo
