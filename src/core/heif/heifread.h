#pragma once
// The HEIF reader over libheif: HEIC (HEVC), HEIF and AVIF (AV1), the primary image only.
// libheif applies the container's own rotation, mirroring and crop, so the picture is
// upright as read: an EXIF Orientation inside the file is not applied a second time.
// The colr box's ICC profile is the colour profile; with only an nclx description the
// library converts by its matrix and range.
#include "picture/decoded_picture.h"

namespace velora {

VELORA_EXCEPTION(EHeifError, EInvalidGraphic)

class THeifPicture : public TDecodedPicture {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // Reads one HEIF file from the stream's position to its end. Raises EHeifError when it
  // is damaged, has no primary image, or is too large for the pixel budget (checked
  // before anything is decoded); the picture is empty then.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace velora
