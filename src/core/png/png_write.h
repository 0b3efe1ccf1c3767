#pragma once
// Writing PNG files over libpng: 8-bit RGB, or RGBA when the picture has an alpha plane.
#include <cstdint>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace velora {

struct PngWriteOptions {
  const uint8_t* Alpha = nullptr;     // width × height bytes, top row first; none: RGB
  std::vector<uint8_t> ColorProfile;  // an iCCP chunk when not empty
  std::vector<uint8_t> Exif;          // an eXIf chunk (from the TIFF header on)
  std::string Xmp;                    // an iTXt "XML:com.adobe.xmp" chunk
  // zlib's level: 3 takes 40 % less time than zlib's default of 6 on a photo, for a file
  // about 13 % larger (bench/README.md, "Output formats").
  int CompressionLevel = 3;
};

// The PNG bytes of a 24-bit bitmap. Raises EInvalidGraphic with libpng's message when
// libpng refuses, EOutOfMemory when memory runs out.
std::vector<uint8_t> EncodePngBytes(const TBitmap& bitmap24, const PngWriteOptions& options);

}  // namespace velora
