#pragma once
// Run-length encoded BMP pixels (RLE8 and RLE4), decoded to their colour-table indices.
#include <cstdint>

#include "picture/picture.h"

namespace velora {

// Decodes at most `size` bytes of RLE8 (8-bit section) or RLE4 (4-bit section) data
// from the stream into the bottom-up pixel section. Runs that pass the end of a row
// or the top of the picture are clipped, pixels the data never reaches keep index 0,
// and data that ends early simply ends the picture.
void DecodeRle(TStream& stream, uint64_t size, DibSection& dib);

}  // namespace velora
