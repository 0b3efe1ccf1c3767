#pragma once
// The TIFF reader over libtiff: the first page, in strips or tiles, of 1, 2, 4, 8 or 16
// bits per sample; gray, palette, RGB, RGBA, CMYK and YCbCr; every compression libtiff
// reads. The pixels stay as stored; the Orientation tag (274) says how to turn them
// upright, as the EXIF tag of a JPEG does. Tag 34675 is the colour profile.
#include "picture/decoded_picture.h"

namespace velora {

VELORA_EXCEPTION(ETiffError, EInvalidGraphic)

class TTiffPicture : public TDecodedPicture {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // Reads the first page of a TIFF file from the stream's position to its end. Raises
  // ETiffError when it is damaged, of a kind libtiff cannot turn into colours, or too
  // large for the pixel budget (checked before any pixel is decoded); the picture is
  // empty then.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace velora
