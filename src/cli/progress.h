#pragma once
// A one-line progress bar on the terminal: pictures done of total, time elapsed and an
// estimate of the time left. Draws nothing when standard error is not a terminal.
#include <chrono>
#include <cstdio>

namespace velora::cli {

class ProgressBar {
 public:
  ProgressBar(int total, bool enabled);
  ~ProgressBar() { Clear(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;
  // Redraws with the number of pictures done; callers serialise the calls.
  void Update(int done);
  // Removes the bar so the next output starts on a clean line.
  void Clear();

 private:
  int total_;
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace velora::cli
