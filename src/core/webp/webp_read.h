#pragma once
// The WebP reader over libwebp: lossy, lossless and with alpha; of an animated file the
// first frame on its canvas, as of a GIF. The ICCP chunk is its colour profile and the
// EXIF chunk's Orientation says how to turn it upright, as in a JPEG.
#include "picture/decoded_picture.h"

namespace velora {

VELORA_EXCEPTION(EWebPError, EInvalidGraphic)

class TWebPPicture : public TDecodedPicture {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // Reads one WebP file from the stream's position to its end. Raises EWebPError when it
  // is damaged or too large for the pixel budget (checked before any pixel is decoded);
  // the picture is empty then.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace velora
