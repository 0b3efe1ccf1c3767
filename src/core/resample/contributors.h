#pragma once
// The weight lists of the resampler: for each output position, which source positions
// contribute and with what weight. Shared by every resampler implementation, because
// the weights and their order are part of the result.
#include <cstdint>
#include <vector>

#include "resample/filters.h"

namespace velora {

struct Contributor {
  int Pixel;     // source index after mirroring at the edges
  float Weight;  // never exactly 0
};
using ContributorList = std::vector<Contributor>;

// The scale of one axis: out / in for a one-pixel source, else (out - 1) / (in - 1),
// so the first and last samples fall on the first and last source pixels.
float AxisScale(int outLength, int inLength);
// One list per output position 0 .. outLength - 1, for a source line of n pixels.
// Not for a one-sample output of a longer line (scale 0), which takes the line's mean.
std::vector<ContributorList> BuildContributors(int outLength, float scale, float support, int n,
                                               TKernel kernel);
// sum / n rounded to the nearest integer, ties to even (n > 0).
uint64_t DivideHalfEven(uint64_t sum, uint64_t n);

}  // namespace velora
