#pragma once
// The vector kernels of the fast resampler, built twice: for SSE2 (every x86-64
// processor; vectors of four floats) and for AVX2 with fused multiply-add (vectors of
// eight; chosen at run time).
//
// Why the results are exact. The rule for one output sample is: start at 0 and, for each
// contributor in order, add pixel x weight in extended precision and round the sum to a
// 32-bit float; the final float R becomes a byte by rounding to the nearest integer
// (ties to even) with 0 and 255 as limits. The kernels instead compute a fast float sum A
// of the same products (4 or 8 lanes at once, with or without fused multiply-add, in the
// rule's order or with even and odd contributors summed apart). Every addition of either
// computation is off by at most one rounding of its result (relative error 2^-24), and A
// also by one rounding of each product; every running sum is at most 255 times the sum
// of the absolute weights it has taken in. So |A - R| <= eps, a bound worked out per
// weight list from its weights (see ErrorBound). If A lies farther than eps from every
// half-integer, R lies on the same
// side of every half-integer, so both round to the same integer n, and clamping n to
// 0..255 gives exactly the byte the rule gives (R > 254.5 means 255, R < 0.5 means 0).
// Samples closer than eps to a half-integer are rare (a fraction of about 2 eps); they
// are recomputed with the rule itself, in extended precision.
#include <cstddef>
#include <cstdint>

#include "resample/contributors.h"

namespace velora {

// One weight list prepared for the kernels.
struct FastList {
  const int* Pixels;
  const ptrdiff_t* Offsets;  // Pixels[k] * 3 * the kernels' lanes: where pixel k's floats
                             // start in a horizontal block's transposed rows
  const float* Weights;
  int Count;        // the contributors of the rule
  int PaddedCount;  // Count, then zero weights up to the longest list of the pass, so
                    // every list runs the same loop (a zero weight adds exactly 0 to A)
  float Eps;        // the bound on |A - R| for this list
  int MinPixel;     // the smallest and largest pixel the list reads
  int MaxPixel;
};

// A bound on |A - R| for a list of weights, for pixels up to 255, whichever of the fast
// orders A is summed in.
float ErrorBound(const float* weights, int count);

// The rule itself for one sample whose pixels are bytes at base[pixel * step].
uint8_t ExactSample(const FastList& list, const uint8_t* base, ptrdiff_t step);
// The rule itself for one sample whose pixels are rows[k][offset], one row per
// contributor, holding byte values as floats.
float ExactSampleRows(const FastList& list, const float* const* rows, int offset);
// The same for rows of bytes.
float ExactSampleRows(const FastList& list, const uint8_t* const* rows, int offset);

// Each kernel set works on blocks of kRows (eight) source rows, kHorizontalColumns output
// columns at a time.
inline constexpr int kRows = 8;
inline constexpr int kHorizontalColumns = 32;
// The vertical kernels make up to this many output rows together.
inline constexpr int kVerticalGroup = 4;

#define VELORA_KERNEL_DECLARATIONS                                                            \
  /* Resamples kRows source rows of sw pixels (rows[r]; unused rows may repeat a row)    */   \
  /* into outRows work rows of dw pixels, as floats holding the bytes. f needs           */   \
  /* sw * 3 * kRows + 8 floats, g kHorizontalColumns * 3 * kRows.                        */   \
  void HorizontalBlock(const uint8_t* const* rows, int sw, const FastList* lists, int dw,     \
                       float* const* out, int outRows, float* f, float* g);                   \
  /* The same, the results as bytes (for output rows).                                   */   \
  void HorizontalByteBlock(const uint8_t* const* rows, int sw, const FastList* lists, int dw, \
                           uint8_t* const* out, int outRows, float* f, float* g);             \
  /* `count` output rows of `values` bytes from the work rows: rows[j][k] is the work    */   \
  /* row of contributor k of lists[j], whose output is out[j].                           */   \
  void VerticalRows(const float* const* const* rows, const FastList* const* lists, int count, \
                    int values, uint8_t* const* out);                                         \
  /* The same from rows of bytes (source rows read down their columns).                  */   \
  void VerticalByteRows(const uint8_t* const* const* rows, const FastList* const* lists,      \
                        int count, int values, uint8_t* const* out);

namespace sse2 {
VELORA_KERNEL_DECLARATIONS
}  // namespace sse2
namespace avx2 {
VELORA_KERNEL_DECLARATIONS
}  // namespace avx2

}  // namespace velora
