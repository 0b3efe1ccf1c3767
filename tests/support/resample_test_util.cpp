#include "resample_test_util.h"

namespace velora::test {

Line ResampleLine(const Line& in, int outLength, TKernel kernel,
                  void (*resampler)(TBitmap&, TBitmap&, TKernel, float)) {
  float support = 0;
  for (const auto& row : FilterTable) {
    if (row.Kernel == kernel) support = row.Support;
  }
  TBitmap src;
  src.SetPixelDepth(PixelDepth::pf24bit);
  src.SetSize(static_cast<int>(in.size()), 1);
  uint8_t* p = src.RowAddress(0);
  for (size_t i = 0; i < in.size(); ++i)
    p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = static_cast<uint8_t>(in[i]);
  TBitmap dst;
  dst.SetPixelDepth(PixelDepth::pf24bit);
  dst.SetSize(outLength, 1);
  resampler(src, dst, kernel, support);
  Line out;
  const uint8_t* q = dst.ConstRowAddress(0);
  for (int i = 0; i < outLength; ++i) out.push_back(q[3 * i]);
  return out;
}

}  // namespace velora::test
