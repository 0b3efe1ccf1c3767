#pragma once
// The base of the readers built on a format library (HEIF, WebP, TIFF): the whole picture
// is decoded when it is read, into 24-bit pixels and, where the file has transparency, an
// alpha plane kept beside them as the PNG reader keeps its own.
#include <cstdint>
#include <memory>
#include <vector>

#include "picture/picture.h"

namespace velora {

// A sample of `bits` bits (1 to 16) as the nearest 8-bit value: v × 255 / (2^bits − 1),
// rounded half up. Deep samples are rounded, never cut to their top bits.
inline uint8_t NearestByte(uint32_t value, int bits) {
  const uint32_t max = (uint32_t{1} << bits) - 1;
  return static_cast<uint8_t>((value * 255 + max / 2) / max);
}

// Whether a picture of this size, with or without an alpha plane, fits kMaxPixelBytes
// (its 24-bit rows padded to 4 bytes). Readers ask before the library decodes anything.
bool FitsPixelBudget(int64_t width, int64_t height, bool alpha);

// All bytes from the stream's position to its end.
std::vector<uint8_t> ReadRemaining(TStream& stream);

class TDecodedPicture : public TGraphic {
 public:
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  // These pictures are never resized in place.
  void SetWidth(int) override;
  void SetHeight(int) override;
  bool IsEmpty() const override { return bitmap_.IsEmpty(); }

  // A TBitmap destination shares the 24-bit pixels (alpha ignored, as with a PNG);
  // anything else raises EConvertError.
  void CopyTo(TGraphic& destination) const override;
  int Orientation() const override { return orientation_; }
  const std::vector<uint8_t>& ColorProfile() const override { return colorProfile_; }

  const TBitmap& Bitmap() const { return bitmap_; }
  bool HasAlpha() const { return !alpha_.empty(); }
  // Row y of the alpha plane (row 0 at the top), or none without one.
  const uint8_t* AlphaScanline(int y) const;

 protected:
  // What a reader fills: a top-down 24-bit section (blue, green, red) and, when asked
  // for, an alpha plane of width × height bytes, both zeroed.
  struct Pixels {
    std::shared_ptr<DibSection> dib;
    std::vector<uint8_t> alpha;
    uint8_t* AlphaRow(int y) { return alpha.data() + static_cast<size_t>(y) * dib->width; }
  };
  // Raises EOutOfMemory "Out of memory" when the picture does not fit the budget.
  static Pixels NewPixels(int width, int height, bool alpha);
  // Makes the filled pixels the picture's, with how it is to be shown, and reports a
  // change.
  void Install(Pixels pixels, int orientation, std::vector<uint8_t> colorProfile);
  // Forgets the previous picture, before a new one is read.
  void Clear();

 private:
  TBitmap bitmap_;
  std::vector<uint8_t> alpha_;
  int orientation_ = 1;
  std::vector<uint8_t> colorProfile_;
};

}  // namespace velora
