// The GIF reader: TGifPicture::LoadFromStream, then the copy into a 24-bit bitmap.
#include <cstddef>
#include <cstdint>

#include "fuzz_target.h"
#include "gif/gifread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return velora::fuzz::LoadAndCopy<velora::TGifPicture>(data, size);
}
