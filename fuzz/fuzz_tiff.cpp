// The TIFF reader (libtiff): TTiffPicture::LoadFromStream with our limits, then the copy into a
// 24-bit bitmap.
#include <cstddef>
#include <cstdint>

#include "fuzz_target.h"
#include "tiff/tiffread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return velora::fuzz::LoadAndCopy<velora::TTiffPicture>(data, size);
}
