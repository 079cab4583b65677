#include "model/concentration.h"

#include <algorithm>
#include <new>

namespace zemo {

bool ConcMatrix::allocate(int pollutants, int sources) {
    try {
        values_.assign(static_cast<std::size_t>(pollutants) * kCaseSlots * static_cast<std::size_t>(sources), 0.0);
        source_of_.resize(static_cast<std::size_t>(sources));
        column_of_.resize(static_cast<std::size_t>(sources));
    } catch (const std::bad_alloc&) {
        release();
        return false;
    }
    P_ = pollutants;
    N_ = sources;
    clear();
    return true;
}

void ConcMatrix::release() {
    std::vector<double>().swap(values_);
    std::vector<int>().swap(source_of_);
    std::vector<int>().swap(column_of_);
    P_ = N_ = A_ = 0;
}

void ConcMatrix::use_columns(const std::vector<int>& sources) {
    for (int a = 0; a < A_; ++a) column_of_[source_of_[a]] = -1;
    A_ = static_cast<int>(sources.size());
    for (int a = 0; a < A_; ++a) {
        source_of_[a] = sources[a];
        column_of_[sources[a]] = a;
    }
    std::fill_n(values_.begin(), static_cast<std::size_t>(P_) * kCaseSlots * A_, 0.0);
}

void ConcMatrix::clear() {
    A_ = N_;
    for (int j = 0; j < N_; ++j) source_of_[j] = column_of_[j] = j;
    std::fill(values_.begin(), values_.end(), 0.0);
}

double ConcMatrix::sum(int p, int c) const {
    const double* v = slot(p, c);
    double total = 0;
    for (int a = 0; a < A_; ++a) total += v[a];
    return total;
}

}  // namespace zemo
