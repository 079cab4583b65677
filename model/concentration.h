// Conc, the concentration matrix of one reference point: for pollutant p
// and case slot c (0..863) one value per source j, sources in the order
// points (0..NP-1), lines (NP..NP+NL-1), areas (NP+NL..N-1).
// Slots 144k + 48s + d (k = 0..4) hold short-term concentrations of the
// case (class k, speed class s, direction d); slots 720 + 48s + d hold each
// source's contribution to the annual mean. Values in micrograms per m3.
//
// The storage is one contiguous block allocated once per run; the values
// of one (p, c) are contiguous, so that the sums over sources are plain
// loops.
#pragma once

#include <cstddef>
#include <vector>

#include "input/wind_roses.h"

namespace zemo {

inline constexpr int kAnnualBlock = 720;

class ConcMatrix {
public:
    // Allocates P x 864 x N values; false when the memory is not there.
    bool allocate(int pollutants, int sources);
    void release();
    void clear();
    int pollutants() const { return P_; }
    int sources() const { return N_; }
    double* slot(int p, int c) { return values_.data() + (static_cast<std::size_t>(p) * kCaseSlots + c) * N_; }
    const double* slot(int p, int c) const {
        return values_.data() + (static_cast<std::size_t>(p) * kCaseSlots + c) * N_;
    }
    double& at(int p, int c, int j) { return slot(p, c)[j]; }
    double at(int p, int c, int j) const { return slot(p, c)[j]; }
    // Sum over all sources of one (p, c).
    double sum(int p, int c) const;

private:
    int P_ = 0, N_ = 0;
    std::vector<double> values_;
};

}  // namespace zemo
