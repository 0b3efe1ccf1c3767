#pragma once
// What every fuzz target does with its input: read it as one picture of a format from
// memory, then copy the picture into a 24-bit bitmap as the resizer does. A clean
// refusal is an engine exception; anything else (a crash, a sanitizer report, a leak,
// another exception escaping) is a finding.
#include <cstddef>
#include <cstdint>

#include "picture/picture.h"
#include "util/errors.h"
#include "util/stream.h"

namespace velora::fuzz {

template <class Graphic>
int LoadAndCopy(const uint8_t* data, size_t size) {
  try {
    TBytesStream stream(data, size);
    Graphic graphic;
    graphic.LoadFromStream(stream);
    TBitmap bitmap;
    bitmap.CopyGraphic(&graphic);
    bitmap.SetPixelDepth(PixelDepth::pf24bit);
  } catch (const Exception&) {
  }
  return 0;
}

}  // namespace velora::fuzz
