// The memory estimate of a run and its ceiling (see capacity.h).
#include "input/capacity.h"

#include <limits>

#include "base/platform.h"
#include "input/wind_roses.h"

namespace zemo {

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kMebibyte = 1ull << 20;
constexpr std::uint64_t kColumnValueBytes = kCaseSlots * sizeof(double);

std::uint64_t count(long long n) { return n > 0 ? static_cast<std::uint64_t>(n) : 0; }

// Saturating arithmetic: a sum or product beyond 2^64 - 1 is 2^64 - 1.
std::uint64_t add(std::uint64_t a, std::uint64_t b) { return a > kMax - b ? kMax : a + b; }
std::uint64_t times(std::uint64_t a, std::uint64_t b) { return b != 0 && a > kMax / b ? kMax : a * b; }

}  // namespace

std::uint64_t run_bytes(const RunSize& size) {
    const std::uint64_t N = count(size.sources), C = count(size.columns);
    const std::uint64_t P = count(size.pollutants), T = count(size.threads);
    const std::uint64_t run = add(kRunBytes, times(N, add(kSourceBytes, times(16, P))));
    const std::uint64_t per_source = times(N, add(kSourceThreadBytes, times(8, P)));
    const std::uint64_t per_column = times(C, add(kColumnBytes, times(kColumnValueBytes, P)));
    return add(run, times(T, add(per_source, per_column)));
}

std::uint64_t memory_ceiling(std::uint64_t memory_limit) {
    if (memory_limit > 0) return memory_limit;
    const std::uint64_t usable = platform::usable_memory();
    return usable > 0 ? usable : kMax;
}

unsigned long long mebibytes_up(std::uint64_t bytes) { return bytes / kMebibyte + (bytes % kMebibyte != 0 ? 1 : 0); }

unsigned long long mebibytes_down(std::uint64_t bytes) { return bytes / kMebibyte; }

}  // namespace zemo
