#include "decoded_picture_util.h"

#include "test_util.h"

namespace velora::test {

std::vector<uint8_t> RgbaOf(const TDecodedPicture& picture) {
  const std::vector<uint8_t> rgb = RgbOf(picture.Bitmap());
  std::vector<uint8_t> out;
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* alpha = picture.AlphaScanline(y);
    for (int x = 0; x < picture.Width(); ++x) {
      const size_t i = (static_cast<size_t>(y) * picture.Width() + x) * 3;
      out.insert(out.end(), &rgb[i], &rgb[i] + 3);
      out.push_back(alpha ? alpha[x] : 255);
    }
  }
  return out;
}

}  // namespace velora::test
