// The resampler's kernels for processors with AVX-512 (F, BW, DQ, VL): sixteen lanes.
// Compiled with those instruction sets and fused multiply-add, which the error bound of
// the kernels allows for.
#include <algorithm>

#include "resample_kernels.h"

#include <immintrin.h>

#define LANES 16
namespace velora::avx512 {
#include "resample_kernels.inc"
}  // namespace velora::avx512
