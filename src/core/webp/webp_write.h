#pragma once
// Writing WebP files over libwebp: lossy, with alpha when the picture has an alpha plane;
// colour profile, EXIF and XMP go into their chunks with libwebpmux.
#include <cstdint>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace velora {

// WebP pictures are at most this wide and high.
inline constexpr int kMaxWebpSide = 16383;

struct WebpWriteOptions {
  int Quality = 74;                   // 5..95, libwebp's quality
  const uint8_t* Alpha = nullptr;     // width × height bytes, top row first; none: opaque
  std::vector<uint8_t> ColorProfile;  // an ICCP chunk when not empty
  std::vector<uint8_t> Exif;          // an EXIF chunk (from the TIFF header on)
  std::string Xmp;                    // an "XMP " chunk
};

// The WebP bytes of a 24-bit bitmap. Raises EInvalidGraphic "Cannot encode WebP (...)"
// when libwebp refuses (a side above kMaxWebpSide among others), EOutOfMemory when memory
// runs out.
std::vector<uint8_t> EncodeWebpBytes(const TBitmap& bitmap24, const WebpWriteOptions& options);

}  // namespace velora
