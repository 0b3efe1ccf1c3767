#pragma once
// How a run spends its threads, the same in the window and in velora-resize, so both
// write the same files at the same speed.
namespace velora {

// The threads a run spends by default: one per processor.
int DefaultJobs();

struct ThreadSplit {
  int Workers = 1;          // pictures converted at the same time
  int ResampleThreads = 1;  // threads inside each picture's resampling
};

// One picture per thread while there are enough tasks (pictures that can be converted
// side by side), the rest inside the resampler when there are fewer tasks than threads.
ThreadSplit SplitThreads(int threads, int tasks);

}  // namespace velora
