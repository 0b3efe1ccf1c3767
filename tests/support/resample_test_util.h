#pragma once
// Resampling one line of samples, for tests that state results as short number lists.
#include <vector>

#include "resample/resample.h"

namespace velora::test {

using Line = std::vector<int>;

// Puts the line into all three bytes of a one-row picture, resamples it to outLength
// samples with the kernel's support from the filter table, and reads the first byte
// back. Uses the resampler given, or Resample by default.
Line ResampleLine(const Line& in, int outLength, TKernel kernel,
                  void (*resampler)(TBitmap&, TBitmap&, TKernel, float) = &Resample);

}  // namespace velora::test
