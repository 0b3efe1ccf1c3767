#pragma once
// Reduces a picture to an 8-bit palette for the artwork's palette PNGs: the exact colours
// when there are at most 256, else median cut (the box with the largest squared error is
// split at its weighted median) and each colour mapped to its nearest entry.
#include <vector>

#include "art_png.h"

namespace velora::art {

struct PalettePicture {
  std::vector<Rgb> palette;      // at most 256 entries
  std::vector<uint8_t> indices;  // one per pixel
};

PalettePicture ReduceToPalette(const std::vector<Rgb>& pixels);

}  // namespace velora::art
