#pragma once
// Pictures with transparency: laid over white for formats without alpha, resampled with
// premultiplied alpha for formats that keep it.
#include <cstdint>
#include <vector>

#include "picture/picture.h"
#include "resample/filters.h"

namespace velora {

// Each channel c of a pixel with alpha a becomes (c·a + 255·(255 − a) + 127) div 255, so
// what a viewer shows on a white page is what the output holds, whatever colour the clear
// pixels store. `alpha` has one byte per pixel of the 24-bit bitmap, top row first.
void LayOverWhite(TBitmap& bitmap24, const std::vector<uint8_t>& alpha);

// Resamples colour and alpha into the target (whose size is the requested one, upright
// for the orientation) and returns the target's alpha plane, top row first. Colours are
// weighted by their alpha, so clear pixels lend the edges nothing of their stored colour.
std::vector<uint8_t> ResampleWithAlpha(const TBitmap& source24, const std::vector<uint8_t>& alpha,
                                       TBitmap& target, TKernel kernel, float support, int threads,
                                       int orientation);

}  // namespace velora
