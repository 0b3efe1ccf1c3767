// The resampler's kernels for every x86-64 processor.
#include <algorithm>

#include "resample/resample_kernels.h"

#include <emmintrin.h>
#include <xmmintrin.h>

#define LANES 4
namespace velora::sse2 {
#include "resample/resample_kernels.inc"
}  // namespace velora::sse2
