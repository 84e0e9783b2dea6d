#pragma once
// What every benchmark measures with: one steady clock, the seconds since a
// start, and the two rates they print: megabytes (10^6 bytes) per second of
// a transfer and runs per second of a piece of work.

#include <chrono>
#include <cstdint>
#include <functional>

namespace bench {
inline constexpr int64_t MiB = 1024 * 1024;
using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double megabytesPerSecond(int64_t bytes, double seconds) { return static_cast<double>(bytes) / 1e6 / seconds; }

// Runs of work per second over about `seconds`, after one run that warms
// caches and renderings.
inline double runsPerSecond(double seconds, const std::function<void()>& work) {
  work();
  const auto start = Clock::now();
  long runs = 0;
  double elapsed = 0;
  do {
    work();
    ++runs;
    elapsed = secondsSince(start);
  } while (elapsed < seconds);
  return static_cast<double>(runs) / elapsed;
}
}  // namespace bench
