#include "gifread.h"

namespace velora {

namespace {
std::unique_ptr<TGraphic> Create() {
  return std::make_unique<TGifPicture>();
}
}  // namespace

const TGraphicClass& TGifPicture::Class() {
  static const TGraphicClass cls{"TGifPicture", nullptr, &Create};
  return cls;
}

void TGifPicture::LoadFromStream(TStream&) {
  throw EInvalidGraphic("TGifPicture is not built yet");
}

}  // namespace velora
