// The resampler's kernels for processors with AVX2 and fused multiply-add. This file is
// compiled with -mavx2 -mfma and may contract products and sums: the error bound of the
// kernels holds with and without fused multiply-adds.
#include <algorithm>

#include "resample/resample_kernels.h"

#include <immintrin.h>

#define LANES 8
namespace velora::avx2 {
#include "resample/resample_kernels.inc"
}  // namespace velora::avx2
