#pragma once
// The vector kernels of the fast resampler, built twice: for SSE2 (every x86-64
// processor) and for AVX2 with fused multiply-add (chosen at run time).
//
// Why the results are exact. The rule for one output sample is: start at 0 and, for each
// contributor in order, add pixel x weight in extended precision and round the sum to a
// 32-bit float; the final float R becomes a byte by rounding to the nearest integer
// (ties to even) with 0 and 255 as limits. The kernels instead compute a fast float sum A
// of the same products (8 lanes at once, with or without fused multiply-add). Every step
// of either computation is off by at most one rounding of the running sum (and A also
// by one rounding of each product), so |A - R| <= eps, where eps is a bound worked out
// per weight list from its length and 255 x the sum of its absolute weights (see
// ErrorBound). If A lies farther than eps from every half-integer, R lies on the same
// side of every half-integer, so both round to the same integer n, and clamping n to
// 0..255 gives exactly the byte the rule gives (R > 254.5 means 255, R < 0.5 means 0).
// Samples closer than eps to a half-integer are rare (a fraction of about 2 eps); they
// are recomputed with the rule itself, in extended precision.
#include <cstddef>
#include <cstdint>

#include "contributors.h"

namespace velora {

// One weight list prepared for the kernels.
struct FastList {
  const int* Pixels;
  const float* Weights;
  int Count;
  float Eps;  // the bound on |A - R| for this list
};

// A bound on |A - R| for a list of `count` weights whose absolute values sum to
// `absWeightSum`, for pixels up to 255.
float ErrorBound(int count, double absWeightSum);

// The rule itself for one sample: pixels at base[pixel * step].
uint8_t ExactSample(const FastList& list, const uint8_t* base, ptrdiff_t step);

#define VELORA_KERNEL_DECLARATIONS                                                          \
  /* Resamples eight source rows (rows[r], r < 8; unused rows may repeat a row) of       */ \
  /* sw pixels into eight work rows of dw pixels. f needs sw * 24 + 8 floats, g dw * 24. */ \
  void HorizontalBlock(const uint8_t* const rows[8], int sw, const FastList* lists, int dw, \
                       uint8_t* const out[8], int outRows, float* f, float* g);             \
  /* One output row from the work rows: `bytes` bytes from rows work + pixel * stride.   */ \
  void VerticalRow(const uint8_t* work, ptrdiff_t stride, const FastList& list, int bytes,  \
                   uint8_t* out);

namespace sse2 {
VELORA_KERNEL_DECLARATIONS
}
namespace avx2 {
VELORA_KERNEL_DECLARATIONS
}

}  // namespace velora
