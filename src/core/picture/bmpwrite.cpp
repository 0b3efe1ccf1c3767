// Writing a TBitmap as a BMP file (40-byte information header, rows bottom-up).
#include <cstring>

#include "picture/picture.h"

namespace velora {

namespace {
void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
}  // namespace

void TBitmap::SaveToStream(TStream& stream) {
  const DibSection* dib = image_.get();
  if (!dib) return;
  const bool bitfields = (dib->bitCount == 16 || dib->bitCount == 32) &&
                         (dib->masks[0] || dib->masks[1] || dib->masks[2]);
  const uint32_t tableBytes = static_cast<uint32_t>(dib->colors.size() * 4) + (bitfields ? 12 : 0);
  const uint32_t offset = 14 + 40 + tableBytes;
  const uint64_t imageBytes = dib->ByteSize();
  std::vector<uint8_t> header;
  header.push_back('B');
  header.push_back('M');
  Put32(header, static_cast<uint32_t>(offset + imageBytes));
  Put32(header, 0);
  Put32(header, offset);
  Put32(header, 40);
  Put32(header, static_cast<uint32_t>(dib->width));
  Put32(header, static_cast<uint32_t>(dib->height));  // bottom-up
  Put16(header, 1);
  Put16(header, static_cast<uint32_t>(dib->bitCount));
  Put32(header, bitfields ? 3 : 0);
  Put32(header, static_cast<uint32_t>(imageBytes));
  Put32(header, 0);
  Put32(header, 0);
  Put32(header, static_cast<uint32_t>(dib->colors.size()));
  Put32(header, 0);
  if (bitfields) {
    for (uint32_t m : dib->masks) Put32(header, m);
  }
  for (const TColorEntry& c : dib->colors) {
    header.insert(header.end(), {c.blue, c.green, c.red, 0});
  }
  stream.WriteBuffer(header.data(), header.size());
  // Bottom-up: the last row of the picture first.
  for (int y = dib->height - 1; y >= 0; --y) stream.WriteBuffer(dib->Row(y), dib->stride);
}

}  // namespace velora
