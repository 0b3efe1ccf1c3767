#include <algorithm>

#include "png/pngread.h"

namespace velora {

namespace {

// The colour-table index of a pixel of an indexed working form (1, 4 or 8 bits).
unsigned IndexAt(const DibSection& form, int x, int y) {
  const uint8_t* row = form.Row(y);
  switch (form.bitCount) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default:
      return row[x];
  }
}

bool AllOpaque(const std::vector<uint8_t>& alpha) {
  return std::all_of(alpha.begin(), alpha.end(), [](uint8_t a) { return a == 255; });
}

}  // namespace

std::vector<uint8_t> TPngPicture::AlphaPlane() const {
  const TChunkIHDR* header = Header();
  if (!header || !header->WorkingForm()) return {};
  const TPngTransparencyMode mode = TransparencyMode();
  if (mode == TPngTransparencyMode::ptmNone) return {};
  const DibSection& form = *header->WorkingForm();
  const int width = form.width, height = form.height;
  std::vector<uint8_t> alpha(static_cast<size_t>(width) * static_cast<size_t>(height), 255);
  uint8_t* out = alpha.data();
  if (header->HasAlpha()) {
    for (int y = 0; y < height; ++y, out += width) std::copy_n(header->AlphaRow(y), width, out);
  } else if (header->ColorType() == 3) {
    const std::array<uint8_t, 256> values = TransparencyValues();
    for (int y = 0; y < height; ++y, out += width) {
      for (int x = 0; x < width; ++x) out[x] = values[IndexAt(form, x, y) & 255];
    }
  } else {
    // Gray or RGB with one transparent colour: the pixels that show it are clear.
    const TColor clear = TransparentColor();
    for (int y = 0; y < height; ++y, out += width) {
      for (int x = 0; x < width; ++x) {
        const TColorEntry c = form.PixelColor(x, y);
        const TColor color = TColor{c.red} | TColor{c.green} << 8 | TColor{c.blue} << 16;
        if (color == clear) out[x] = 0;
      }
    }
  }
  if (AllOpaque(alpha)) return {};
  return alpha;
}

}  // namespace velora
