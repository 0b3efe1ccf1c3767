#include "picture/decoded_picture.h"

#include <string>

namespace velora {

bool FitsPixelBudget(int64_t width, int64_t height, bool alpha) {
  if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
  const uint64_t stride = DibSection::StrideFor(static_cast<int>(width), 24);
  const uint64_t perRow = stride + (alpha ? static_cast<uint64_t>(width) : 0);
  return stride != 0 && perRow * static_cast<uint64_t>(height) <= kMaxPixelBytes;
}

std::vector<uint8_t> ReadRemaining(TStream& stream) {
  std::vector<uint8_t> bytes(static_cast<size_t>(stream.Remaining()));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

void TDecodedPicture::SetWidth(int) {
  throw EInvalidGraphicOperation(std::string("Cannot change the size of a ") + ClassName());
}

void TDecodedPicture::SetHeight(int) {
  throw EInvalidGraphicOperation(std::string("Cannot change the size of a ") + ClassName());
}

void TDecodedPicture::CopyTo(TGraphic& destination) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&destination)) {
    bitmap->CopyGraphic(&bitmap_);
    return;
  }
  TGraphic::CopyTo(destination);
}

const uint8_t* TDecodedPicture::AlphaScanline(int y) const {
  if (alpha_.empty() || y < 0 || y >= Height()) return nullptr;
  return alpha_.data() + static_cast<size_t>(y) * static_cast<size_t>(Width());
}

TDecodedPicture::Pixels TDecodedPicture::NewPixels(int width, int height, bool alpha) {
  if (!FitsPixelBudget(width, height, alpha)) throw EOutOfMemory("Out of memory");
  Pixels pixels;
  pixels.dib = DibSection::Create(width, height, 24);
  pixels.dib->topDown = true;
  if (alpha) pixels.alpha.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  return pixels;
}

void TDecodedPicture::Install(Pixels pixels, int orientation, std::vector<uint8_t> colorProfile) {
  alpha_ = std::move(pixels.alpha);
  orientation_ = orientation >= 1 && orientation <= 8 ? orientation : 1;
  colorProfile_ = colorProfile.size() <= kMaxColorProfileBytes ? std::move(colorProfile)
                                                               : std::vector<uint8_t>{};
  bitmap_.SetDib(std::move(pixels.dib));
  Changed();
}

void TDecodedPicture::Clear() {
  bitmap_.CopyGraphic(nullptr);
  alpha_.clear();
  alpha_.shrink_to_fit();
  orientation_ = 1;
  colorProfile_.clear();
}

}  // namespace velora
