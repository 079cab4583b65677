// The case layout shared by the wind roses, the model and the results: a
// case is a stability class k (0..4 for I..V), a wind-speed class s (0..2)
// and a direction d (0..47). A rose or a source's concentrations hold six
// blocks of 3 x 48 case slots: one per stability class and, as block 5, the
// annual block (the sums of a rose, the contributions to the annual mean).
//
// The per-source arrays that the model prepares once per run follow one
// rule as well: source-major, then class, then speed class, so that the
// 15 cases of one source lie together; the per-direction arrays are
// direction-major, so that a direction's sources lie together.
#pragma once

#include <cstddef>

namespace zemo {

inline constexpr int kStabilityClasses = 5;
inline constexpr int kSpeedClasses = 3;
inline constexpr int kMaxSectors = 48;
inline constexpr int kAnnualBlockIndex = kStabilityClasses;  // block 5
inline constexpr int kCaseBlocks = kStabilityClasses + 1;
inline constexpr int kCaseSlots = kCaseBlocks * kSpeedClasses * kMaxSectors;  // 864
// The (class, speed class) pairs of one source.
inline constexpr int kClassSpeedCases = kStabilityClasses * kSpeedClasses;  // 15

// Slot of block (class or annual block), speed class and direction.
constexpr int case_slot(int block, int speed, int direction) {
    return kSpeedClasses * kMaxSectors * block + kMaxSectors * speed + direction;
}

// Element of source i in a per-source array of every class and speed
// class, [(i * 5 + k) * 3 + s], taken in std::size_t.
constexpr std::size_t class_speed_index(std::size_t i, int k, int s) {
    return (i * kStabilityClasses + k) * kSpeedClasses + s;
}
// Element of source i in a per-source array of every speed class, [i * 3 + s].
constexpr std::size_t speed_index(std::size_t i, int s) { return i * kSpeedClasses + s; }
// Element of source i in a per-source array of every class, [i * 5 + k],
// and of source i of n in a direction-major array, [d * n + i]. Both are
// taken in the arguments' own integer types (int for int indices), so that
// the hot loops compile to the code of the expression written out.
template <class Index>
constexpr auto class_index(Index i, int k) {
    return i * kStabilityClasses + k;
}
template <class Count, class Index>
constexpr auto direction_index(int d, Count n, Index i) {
    return d * n + i;
}

static_assert(case_slot(kAnnualBlockIndex, 0, 0) == 720 && kCaseSlots == 864, "the documented slot numbers");
static_assert(class_speed_index(1, 0, 0) == kClassSpeedCases, "a source's 15 cases lie together");

}  // namespace zemo
