#pragma once
// The fixed colour tables that stand in for the display's palettes when a bitmap is
// reduced to 1, 4 or 8 bits per pixel.
#include "picture/picture.h"

namespace velora {

// Black and white.
const TColorTable& BlackWhitePalette();
// The 16 VGA colours in their usual order (black, maroon, ..., white).
const TColorTable& SystemPalette16();
// 256 entries: a 6x6x6 colour cube, then 40 grays between black and white.
const TColorTable& HalftonePalette();

}  // namespace velora
