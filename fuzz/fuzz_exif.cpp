// The EXIF reader: ExifOrientation on the input as the data of an APP1 segment, then the
// same segment in a small JPEG, loaded and turned upright as the preview does. Besides
// the sanitizers' findings, an orientation outside 1..8, a JPEG that disagrees with the
// reader, or an upright picture of the wrong size is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "jpeg/exif.h"
#include "jpeg/jpeg.h"
#include "picture/orientation.h"
#include "util/stream.h"

namespace {

constexpr int kWidth = 16, kHeight = 8;

// A baseline JPEG of kWidth x kHeight pixels, made once.
const std::vector<uint8_t>& SmallJpeg() {
  static const std::vector<uint8_t> bytes = [] {
    velora::TBitmap bitmap;
    bitmap.SetPixelDepth(velora::PixelDepth::pf24bit);
    bitmap.SetSize(kWidth, kHeight);
    velora::TJPEGImage jpeg;
    jpeg.CopyGraphic(&bitmap);
    jpeg.EncodeJpeg();
    return jpeg.CompressedBytes();
  }();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The exact size, so a read past the input is caught even for an empty one.
  const std::vector<uint8_t> block(data, data + size);
  const int orientation = velora::ExifOrientation(block.data(), block.size());
  if (orientation < 1 || orientation > 8) std::abort();

  // A segment holds at most 65533 bytes of data.
  const size_t kept = std::min<size_t>(size, 65533);
  const std::vector<uint8_t>& plain = SmallJpeg();
  std::vector<uint8_t> file(plain.begin(), plain.begin() + 2);
  file.insert(file.end(),
              {0xFF, 0xE1, static_cast<uint8_t>((kept + 2) >> 8), static_cast<uint8_t>(kept + 2)});
  file.insert(file.end(), data, data + kept);
  file.insert(file.end(), plain.begin() + 2, plain.end());
  try {
    velora::TBytesStream stream(file.data(), file.size());
    velora::TJPEGImage jpeg;
    jpeg.LoadFromStream(stream);
    const bool exif = kept >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0;
    const int expected = exif ? velora::ExifOrientation(data, kept) : 1;
    if (jpeg.Orientation() != expected) std::abort();
    velora::TBitmap upright;
    velora::CopyUpright(jpeg, upright);
    const bool swaps = expected >= 5;
    if (upright.Width() != (swaps ? kHeight : kWidth) ||
        upright.Height() != (swaps ? kWidth : kHeight)) {
      std::abort();
    }
  } catch (const velora::Exception&) {
    std::abort();  // the segment is whole and the picture sound: nothing may fail
  }
  return 0;
}
