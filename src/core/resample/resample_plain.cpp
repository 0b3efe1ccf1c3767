// The plain two-pass resampler. Each output sample is a weighted sum of source samples
// along one axis. The weights are not normalised; each product is added in extended
// precision and the sum is rounded to a 32-bit float after every addition, exactly as
// written below. Faster versions are checked against this one.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "resample/contributors.h"
#include "resample/resample.h"
#include "util/rounding.h"

namespace velora {

namespace {

using ext = long double;

uint8_t ToByte(float sum) {
  if (sum > 255) return 255;
  if (sum < 0) return 0;
  return static_cast<uint8_t>(RoundHalfEven(sum));
}

// One output pixel from one list, reading the source pixel at `line + p * step` for
// each contributor p.
void ComputePixel(const ContributorList& list, const uint8_t* line, ptrdiff_t step, uint8_t* out) {
  float sums[3] = {0, 0, 0};
  for (const Contributor& c : list) {
    const uint8_t* pixel = line + c.Pixel * step;
    for (int b = 0; b < 3; ++b) {
      sums[b] = static_cast<float>(static_cast<ext>(sums[b]) +
                                   static_cast<ext>(pixel[b]) * static_cast<ext>(c.Weight));
    }
  }
  for (int b = 0; b < 3; ++b) out[b] = ToByte(sums[b]);
}

// One output sample made from a longer line: the mean of the line, ties to even.
void ComputeMean(int n, const uint8_t* line, ptrdiff_t step, uint8_t* out) {
  for (int b = 0; b < 3; ++b) {
    uint64_t sum = 0;
    for (int p = 0; p < n; ++p) sum += line[p * step + b];
    out[b] = static_cast<uint8_t>(DivideHalfEven(sum, static_cast<uint64_t>(n)));
  }
}

}  // namespace

void ResamplePlain(TBitmap& source, TBitmap& target, TKernel kernel, float support) {
  const int dw = target.Width(), dh = target.Height();
  const int sw = source.Width(), sh = source.Height();
  if (sw < 1 || sh < 1) throw Exception("Source bitmap too small");
  if (dw < 1 || dh < 1) throw Exception("Target bitmap too small");

  TBitmap work;
  work.SetPixelDepth(PixelDepth::pf24bit);
  work.SetSize(dw, sh);
  const float xscale = AxisScale(dw, sw);
  const float yscale = AxisScale(dh, sh);
  source.SetPixelDepth(PixelDepth::pf24bit);
  target.SetPixelDepth(PixelDepth::pf24bit);

  // Horizontal pass: every source row into the work image.
  {
    const bool mean = dw == 1 && sw > 1;
    const std::vector<ContributorList> lists =
        mean ? std::vector<ContributorList>{} : BuildContributors(dw, xscale, support, sw, kernel);
    for (int k = 0; k < sh; ++k) {
      const uint8_t* row = source.ConstRowAddress(k);
      uint8_t* out = work.RowAddress(k);
      for (int i = 0; i < dw; ++i) {
        if (mean) {
          ComputeMean(sw, row, 3, out + 3 * i);
        } else {
          ComputePixel(lists[static_cast<size_t>(i)], row, 3, out + 3 * i);
        }
      }
    }
  }

  // Vertical pass: every column of the work image into the target, walking rows by the
  // row step.
  {
    const bool mean = dh == 1 && sh > 1;
    const std::vector<ContributorList> lists =
        mean ? std::vector<ContributorList>{} : BuildContributors(dh, yscale, support, sh, kernel);
    const uint8_t* workTop = work.ConstRowAddress(0);
    const ptrdiff_t workStep = work.RowStep();
    uint8_t* targetTop = target.RowAddress(0);
    const ptrdiff_t targetStep = target.RowStep();
    for (int c = 0; c < dw; ++c) {
      const uint8_t* column = workTop + 3 * c;
      for (int i = 0; i < dh; ++i) {
        uint8_t* out = targetTop + i * targetStep + 3 * c;
        if (mean) {
          ComputeMean(sh, column, workStep, out);
        } else {
          ComputePixel(lists[static_cast<size_t>(i)], column, workStep, out);
        }
      }
    }
  }
}

}  // namespace velora
