#include "model/source_reach.h"

#include <algorithm>
#include <cmath>

#include "model/plume_formulas.h"

namespace zemo {

namespace {

// Rounding of the range tests is covered by this much more reach, m.
constexpr double kReachMargin = 1.0;
// At most this many cells: sources spread over a vast area get larger cells.
constexpr double kMaxCells = 4.0e6;

}  // namespace

double road_reach(double half_length) { return std::sqrt(2.0) * (1000.0 + half_length) + kReachMargin; }

double square_reach(double side) {
    const double R = side / plume::constants().sqrt_pi;
    return std::hypot(std::max(2500.0 + R, 0.75 * side), 1000.0 + R) + kReachMargin;
}

ReachIndex::ReachIndex(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& radius)
    : x_(x), y_(y), r2_(radius.size()) {
    const std::size_t n = x.size();
    if (n == 0) return;
    double x_lo = HUGE_VAL, x_hi = -HUGE_VAL, y_lo = HUGE_VAL, y_hi = -HUGE_VAL, r_sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        r2_[i] = radius[i] * radius[i];
        const double box[4] = {x[i] - radius[i], x[i] + radius[i], y[i] - radius[i], y[i] + radius[i]};
        for (double v : box)
            if (!std::isfinite(v)) all_ = true;
        x_lo = std::min(x_lo, box[0]);
        x_hi = std::max(x_hi, box[1]);
        y_lo = std::min(y_lo, box[2]);
        y_hi = std::max(y_hi, box[3]);
        r_sum += radius[i];
    }
    most_ = static_cast<int>(n);
    if (all_) return;
    // Cells of about the mean radius: a disc covers a few cells, a cell
    // holds few discs that miss it.
    cell_ = std::max(r_sum / static_cast<double>(n), 1.0);
    const double width = x_hi - x_lo, height = y_hi - y_lo;
    while ((width / cell_ + 1) * (height / cell_ + 1) > kMaxCells) cell_ *= 2;
    x0_ = x_lo;
    y0_ = y_lo;
    nx_ = static_cast<long>(width / cell_) + 1;
    ny_ = static_cast<long>(height / cell_) + 1;

    auto cell_range = [&](std::size_t i, long& cx0, long& cx1, long& cy0, long& cy1) {
        cx0 = std::clamp(static_cast<long>((x[i] - radius[i] - x0_) / cell_), 0L, nx_ - 1);
        cx1 = std::clamp(static_cast<long>((x[i] + radius[i] - x0_) / cell_), 0L, nx_ - 1);
        cy0 = std::clamp(static_cast<long>((y[i] - radius[i] - y0_) / cell_), 0L, ny_ - 1);
        cy1 = std::clamp(static_cast<long>((y[i] + radius[i] - y0_) / cell_), 0L, ny_ - 1);
    };
    // Two passes: count per cell, then fill in source order.
    start_.assign(static_cast<std::size_t>(nx_ * ny_) + 1, 0);
    long cx0, cx1, cy0, cy1;
    for (std::size_t i = 0; i < n; ++i) {
        cell_range(i, cx0, cx1, cy0, cy1);
        for (long cy = cy0; cy <= cy1; ++cy)
            for (long cx = cx0; cx <= cx1; ++cx) ++start_[static_cast<std::size_t>(cy * nx_ + cx) + 1];
    }
    most_ = 0;
    for (std::size_t c = 1; c < start_.size(); ++c) {
        most_ = std::max(most_, start_[c]);
        start_[c] += start_[c - 1];
    }
    entries_.resize(static_cast<std::size_t>(start_.back()));
    std::vector<int> fill(start_.begin(), start_.end() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        cell_range(i, cx0, cx1, cy0, cy1);
        for (long cy = cy0; cy <= cy1; ++cy)
            for (long cx = cx0; cx <= cx1; ++cx)
                entries_[static_cast<std::size_t>(fill[static_cast<std::size_t>(cy * nx_ + cx)]++)] =
                    static_cast<int>(i);
    }
}

void ReachIndex::query(double x, double y, std::vector<int>& out) const {
    out.clear();
    auto holds = [&](int i) {
        const double dx = x - x_[i], dy = y - y_[i];
        return dx * dx + dy * dy <= r2_[i];
    };
    if (all_) {
        // A disc that is not finite cannot be placed in cells; test every
        // source, and keep those that a non-finite value leaves undecided.
        for (int i = 0; i < sources(); ++i)
            if (holds(i) || !std::isfinite(r2_[i]) || !std::isfinite(x_[i]) || !std::isfinite(y_[i])) out.push_back(i);
        return;
    }
    if (entries_.empty()) return;
    const double fx = (x - x0_) / cell_, fy = (y - y0_) / cell_;
    // Outside the grid (or not a number): no disc holds the point.
    if (!(fx >= 0 && fx < static_cast<double>(nx_) && fy >= 0 && fy < static_cast<double>(ny_))) return;
    const std::size_t c = static_cast<std::size_t>(static_cast<long>(fy) * nx_ + static_cast<long>(fx));
    for (int e = start_[c]; e < start_[c + 1]; ++e)
        if (holds(entries_[static_cast<std::size_t>(e)])) out.push_back(entries_[static_cast<std::size_t>(e)]);
}

}  // namespace zemo
