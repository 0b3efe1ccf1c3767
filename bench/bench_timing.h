#pragma once
// Timing helpers of the benchmarks that take several variants in turn and report medians.
#include <algorithm>
#include <ctime>
#include <vector>

namespace velora::bench {

// The CPU time of the whole process (all threads), in milliseconds: steadier than the
// wall clock on a machine that others share.
inline double CpuMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace velora::bench
