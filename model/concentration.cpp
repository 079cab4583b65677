#include "model/concentration.h"

#include <algorithm>
#include <new>

namespace zemo {

bool ConcMatrix::allocate(int pollutants, int sources) {
    try {
        values_.assign(static_cast<std::size_t>(pollutants) * kCaseSlots * static_cast<std::size_t>(sources), 0.0);
    } catch (const std::bad_alloc&) {
        values_.clear();
        return false;
    }
    P_ = pollutants;
    N_ = sources;
    return true;
}

void ConcMatrix::release() {
    std::vector<double>().swap(values_);
    P_ = N_ = 0;
}

void ConcMatrix::clear() { std::fill(values_.begin(), values_.end(), 0.0); }

double ConcMatrix::sum(int p, int c) const {
    const double* v = slot(p, c);
    double total = 0;
    for (int j = 0; j < N_; ++j) total += v[j];
    return total;
}

}  // namespace zemo
