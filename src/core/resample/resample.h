#pragma once
// Resampling: the filters and the two-pass resampler that turns a
// picture into a 24-bit bitmap of a requested size.
#include "picture/picture.h"
#include "resample/filters.h"

namespace velora {

// Resamples a 24-bit (or convertible) source into the target, whose current width and
// height are the requested size. The source is brought to 24 bits first; the target
// becomes a 24-bit bitmap of that size. Raises "Source bitmap too small" for a source
// without pixels and "Target bitmap too small" for a target without pixels.
void Resample(TBitmap& source, TBitmap& target, TKernel kernel, float support);
// Resamples any loaded picture into the target, turned upright on the way for an EXIF
// orientation (picture/orientation.h; the target's size is then the upright one), on up
// to `threads` threads. Streams the picture's rows where it can, else makes a 24-bit
// copy of it first.
void ResampleGraphic(const TGraphic& picture, TBitmap& target, TKernel kernel, float support,
                     int threads = 1, int orientation = 1);

// The plain, obviously-correct resampler: the reference that the fast one must match
// byte for byte.
void ResamplePlain(TBitmap& source, TBitmap& target, TKernel kernel, float support);
// The fast resampler, the one the program uses: the same bytes, with vector arithmetic
// and rows split among up to `threads` threads. With an orientation, the bytes of
// resampling the source turned upright (TurnUpright), made without turning it.
enum class KernelSet { Best, Sse2, Avx2 };
void ResampleFast(TBitmap& source, TBitmap& target, TKernel kernel, float support, int threads = 1,
                  KernelSet kernels = KernelSet::Best, int orientation = 1);
// Resamples rows streamed from a picture that is never held whole, on one thread, turned
// upright for the orientation as ResampleFast does. False (and nothing done) where the
// stream cannot serve: a one-sample output of a longer line or an empty picture, which
// the bitmap resampler handles.
bool ResampleStream(TRowSource& source, TBitmap& target, TKernel kernel, float support,
                    int orientation = 1);
// Whether this processor can run the AVX2 kernels (with fused multiply-add).
bool HasAvx2Kernels();

}  // namespace velora
