#include "jobs/run_threads.h"

#include <algorithm>
#include <thread>

namespace velora {

int DefaultJobs() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

ThreadSplit SplitThreads(int threads, int tasks) {
  threads = std::max(1, threads);
  tasks = std::max(1, tasks);
  ThreadSplit split;
  split.ResampleThreads = std::max(1, threads / tasks);
  split.Workers = std::min(threads, tasks);
  return split;
}

}  // namespace velora
