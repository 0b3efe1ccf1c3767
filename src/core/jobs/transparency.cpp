#include "jobs/transparency.h"

#include <algorithm>

#include "resample/resample.h"

namespace velora {

namespace {

// Calls f(pixel, alpha) for each pixel of the bitmap and its alpha byte.
template <class F>
void ForEachPixel(TBitmap& bitmap, const uint8_t* alpha, F f) {
  const int width = bitmap.Width(), height = bitmap.Height();
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    const uint8_t* a = alpha + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) f(row + 3 * x, a[x]);
  }
}

}  // namespace

void LayOverWhite(TBitmap& bitmap, const std::vector<uint8_t>& alpha) {
  ForEachPixel(bitmap, alpha.data(), [](uint8_t* pixel, unsigned a) {
    for (int c = 0; c < 3; ++c)
      pixel[c] = static_cast<uint8_t>((pixel[c] * a + 255 * (255 - a) + 127) / 255);
  });
}

std::vector<uint8_t> ResampleWithAlpha(const TBitmap& source, const std::vector<uint8_t>& alpha,
                                       TBitmap& target, TKernel kernel, float support, int threads,
                                       int orientation) {
  TBitmap premultiplied, opacity;
  premultiplied.CopyGraphic(&source);
  ForEachPixel(premultiplied, alpha.data(), [](uint8_t* pixel, unsigned a) {
    for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>((pixel[c] * a + 127) / 255);
  });
  // The alpha plane as a gray picture, resampled by the very same weights.
  opacity.SetPixelDepth(PixelDepth::pf24bit);
  opacity.SetSizeForOverwrite(source.Width(), source.Height());
  ForEachPixel(opacity, alpha.data(), [](uint8_t* pixel, uint8_t a) { std::fill_n(pixel, 3, a); });

  TBitmap opacityTarget;
  opacityTarget.SetPixelDepth(PixelDepth::pf24bit);
  opacityTarget.SetSizeForOverwrite(target.Width(), target.Height());
  ResampleGraphic(premultiplied, target, kernel, support, threads, orientation);
  ResampleGraphic(opacity, opacityTarget, kernel, support, threads, orientation);

  const int width = target.Width(), height = target.Height();
  std::vector<uint8_t> resampledAlpha(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = target.RowAddress(y);
    const uint8_t* a = opacityTarget.ConstRowAddress(y);
    uint8_t* out = resampledAlpha.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const unsigned alphaHere = a[3 * x];
      out[x] = static_cast<uint8_t>(alphaHere);
      for (int c = 0; c < 3; ++c) {
        uint8_t& value = row[3 * x + c];
        value =
            alphaHere == 0
                ? 0
                : static_cast<uint8_t>(std::min(255u, (value * 255u + alphaHere / 2) / alphaHere));
      }
    }
  }
  return resampledAlpha;
}

}  // namespace velora
