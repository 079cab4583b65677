// Which roads and squares can reach a receptor: a uniform grid over the
// discs that bound their range tests.
//
// A road or square gives a receptor anything only inside a box of its
// range tests in the wind's frame (downwind and crosswind limits); the box
// turns with the wind, so on the map its reach is the disc through the
// box's farthest corner. The index keeps each disc in every grid cell its
// bounding square touches; a query returns the sources whose disc holds
// the receptor, in ascending order. A source left out can only have given
// exact zeros.
#pragma once

#include <vector>

namespace zemo {

class ReachIndex {
public:
    ReachIndex() = default;
    // Discs (x, y, radius), one per source in source order.
    ReachIndex(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& radius);

    // The sources whose disc holds (x, y), ascending, into out.
    void query(double x, double y, std::vector<int>& out) const;
    int sources() const { return static_cast<int>(x_.size()); }
    // The most sources a query can return: those of the fullest cell.
    int most_in_reach() const { return most_; }

private:
    std::vector<double> x_, y_, r2_;
    // Every source is tested when some disc is not finite.
    bool all_ = false;
    int most_ = 0;
    double x0_ = 0, y0_ = 0, cell_ = 1;
    long nx_ = 0, ny_ = 0;
    std::vector<int> start_;    // cell c holds entries start_[c] .. start_[c+1]-1
    std::vector<int> entries_;  // source indices, ascending within a cell
};

// The reach of a road of half length l: its range tests bound the
// receptor to |x| <= range + l and |y| <= range + l in the wind's frame.
double road_reach(double half_length);
// The reach of a square of side S: downwind -0.75 S .. 2500 + R,
// crosswind 1000 + R (R = S / sqrt(pi)).
double square_reach(double side);

}  // namespace zemo
