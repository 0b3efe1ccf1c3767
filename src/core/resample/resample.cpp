// The resampler's entry points: the fast resampler, streaming where the picture can.
#include "resample/resample.h"

namespace velora {

void Resample(TBitmap& source, TBitmap& target, TKernel kernel, float support) {
  ResampleFast(source, target, kernel, support);
}

void ResampleGraphic(const TGraphic& picture, TBitmap& target, TKernel kernel, float support,
                     int threads, int orientation) {
  // On one thread, a picture that can stream its rows is resampled without ever being
  // held whole: the same rows, less memory, less time.
  if (threads <= 1) {
    if (std::unique_ptr<TRowSource> rows = picture.RowStream()) {
      if (ResampleStream(*rows, target, kernel, support, orientation)) return;
    }
  }
  TBitmap copy;
  copy.SetPixelDepth(PixelDepth::pf24bit);
  copy.CopyGraphic(&picture);
  ResampleFast(copy, target, kernel, support, threads, KernelSet::Best, orientation);
}

}  // namespace velora
