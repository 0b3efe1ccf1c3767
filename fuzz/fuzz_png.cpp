// The PNG reader: TPngPicture::LoadFromStream, then the copy into a 24-bit bitmap.
#include <cstddef>
#include <cstdint>

#include "fuzz_target.h"
#include "png/pngread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return velora::fuzz::LoadAndCopy<velora::TPngPicture>(data, size);
}
