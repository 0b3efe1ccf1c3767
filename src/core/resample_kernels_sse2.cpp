// The resampler's kernels for every x86-64 processor.
#include "resample_kernels.h"

#include <emmintrin.h>

namespace velora::sse2 {
#include "resample_kernels.inc"
}  // namespace velora::sse2
