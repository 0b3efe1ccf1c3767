// Reading BMP files into a TBitmap.
#include "picture.h"

namespace velora {

void TBitmap::LoadFromStream(TStream& stream) {
  if (stream.Remaining() == 0) {
    SetDib(nullptr);
    return;
  }
  throw EInvalidGraphic("Bitmap image is not valid");
}

}  // namespace velora
