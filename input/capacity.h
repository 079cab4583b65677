// The capacity of a run: the memory its sources and its computing threads
// take, and the ceiling that memory must stay under.
//
// A run holds every source in memory, and each computing thread holds a
// concentration matrix (Conc) with a column per source that can reach one
// reference point. The reference points are read one at a time
// (reference_points.h) and take no memory that grows with their number.
// For N sources, P pollutants and T threads whose matrices have C columns
// each, the run takes at most
//
//   M = kRunBytes + N (kSourceBytes + 16 P)
//       + T (N (kSourceThreadBytes + 8 P) + C (kColumnBytes + 6912 P))
//
// bytes, 6912 = 864 case slots x 8 bytes. The terms:
//   kRunBytes          what does not grow with the sources: the reach grids
//                      of the roads and of the squares (up to 4,000,000
//                      cells each) and the wind roses;
//   kSourceBytes       a source in the source tables, in the model's
//                      prepared values (its winds, rises and direction
//                      sines of every class and direction) and in the lists
//                      of the result tables; 16 P its emissions as read and
//                      as prepared;
//   kSourceThreadBytes a source in a thread: its entry in the matrix's
//                      column index, its road receptor, its place in the
//                      reach lists; 8 P its contributions to the annual
//                      means (the source shares);
//   kColumnBytes       a column's bookkeeping (its source, its marks and its
//                      entries in the written lists of every direction);
//                      6912 P its values.
// C is at least the number of stacks (every stack has a column in every
// matrix) and at most N; the run knows it once the model is prepared
// (model/computation.h, most_columns).
//
// The terms bound what the code allocates for a run (tests/run measures
// it). A road or square whose reach is far larger than the others' sits in
// more cells of the reach grid than kSourceBytes allows for; what the
// estimate misses is caught where it is allocated and reported as the fatal
// "nedostatek paměti" (type 32), never a crash.
#pragma once

#include <cstdint>

namespace zemo {

inline constexpr std::uint64_t kRunBytes = 64ull << 20;
inline constexpr std::uint64_t kSourceBytes = 2048;
inline constexpr std::uint64_t kSourceThreadBytes = 32;
inline constexpr std::uint64_t kColumnBytes = 512;

struct RunSize {
    long long sources = 0;  // N
    long long columns = 0;  // C, in the matrix of each thread
    int pollutants = 0;     // P
    int threads = 1;        // T
};

// M in bytes, saturating at the largest value instead of wrapping around.
std::uint64_t run_bytes(const RunSize& size);

// The memory a run may take: memory_limit (RunOptions::memory_limit) when
// it is set (above 0), else what the system allows the process
// (platform::usable_memory), else no limit (the largest value).
std::uint64_t memory_ceiling(std::uint64_t memory_limit);

// Bytes in whole MiB, rounded up (needed) or down (available), for messages.
unsigned long long mebibytes_up(std::uint64_t bytes);
unsigned long long mebibytes_down(std::uint64_t bytes);

}  // namespace zemo
