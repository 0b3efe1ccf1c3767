#include "jpeg.h"

namespace velora {

namespace {
std::unique_ptr<TGraphic> Create() {
  return std::make_unique<TJPEGImage>();
}
}  // namespace

const TGraphicClass& TJPEGImage::Class() {
  static const TGraphicClass cls{"TJPEGImage", nullptr, &Create};
  return cls;
}

void TJPEGImage::LoadFromStream(TStream&) {
  throw EInvalidGraphic("TJPEGImage is not built yet");
}

}  // namespace velora
