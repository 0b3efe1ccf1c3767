#include "pngread.h"

namespace velora {

namespace {
std::unique_ptr<TGraphic> Create() {
  return std::make_unique<TPngPicture>();
}
}  // namespace

const TGraphicClass& TPngPicture::Class() {
  static const TGraphicClass cls{"TPngPicture", nullptr, &Create};
  return cls;
}

void TPngPicture::LoadFromStream(TStream&) {
  throw EInvalidGraphic("TPngPicture is not built yet");
}

}  // namespace velora
