// What the database benchmarks measure with: wall time since a moment, and the peak resident
// memory of the process.
#pragma once

#include <sys/resource.h>

#include <chrono>

namespace ts::bench {

inline double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline long peakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace ts::bench
