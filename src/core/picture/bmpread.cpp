// Reading BMP files into a TBitmap. All numbers in the file are little-endian.
#include <algorithm>
#include <cstdlib>

#include "picture/bmp_rle.h"
#include "picture/picture.h"

namespace velora {

namespace {

constexpr uint32_t kCoreHeaderSize = 12;
// The shortest other header still holds width, height, planes and bits per pixel
// (the short OS/2 2.x header).
constexpr uint32_t kShortestInfoHeader = 16;
// The largest header whose fields mean anything to us (BITMAPV5HEADER); the rest of
// a longer one is skipped.
constexpr uint32_t kLongestKnownHeader = 124;
// Headers from this size on carry the red, green and blue masks themselves.
constexpr uint32_t kHeaderWithMasks = 52;

enum Compression : uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kAlphaBitFields = 6,
};

[[noreturn]] void RaiseInvalid() {
  throw EInvalidGraphic("Bitmap image is not valid");
}

uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Moves past bytes we do not use; the stream ending inside them is a read error.
void Skip(TStream& stream, uint64_t count) {
  if (count > static_cast<uint64_t>(stream.Remaining())) throw EReadError("Stream read error");
  stream.Seek(static_cast<int64_t>(count), SeekOrigin::Current);
}

// The fields of the information header we use; a core header is widened to these.
struct InfoHeader {
  uint32_t size = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: rows stored top-down
  uint32_t planes = 0;
  uint32_t bitCount = 0;
  uint32_t compression = kRgb;
  uint32_t imageSize = 0;
  uint32_t colorsUsed = 0;
  uint32_t masks[3] = {};  // only when the header holds them
};

InfoHeader ReadInfoHeader(TStream& stream) {
  uint8_t raw[kLongestKnownHeader] = {};
  stream.ReadBuffer(raw, 4);
  InfoHeader h;
  h.size = Get32(raw);
  if (h.size == kCoreHeaderSize) {
    stream.ReadBuffer(raw + 4, 8);
    h.width = Get16(raw + 4);  // unsigned 16-bit sizes, always bottom-up
    h.height = Get16(raw + 6);
    h.planes = Get16(raw + 8);
    h.bitCount = Get16(raw + 10);
    return h;
  }
  if (h.size < kShortestInfoHeader) RaiseInvalid();
  const uint32_t stored = std::min(h.size, kLongestKnownHeader);
  stream.ReadBuffer(raw + 4, stored - 4);
  Skip(stream, h.size - stored);
  // Fields past the stored size stay 0, as in a short OS/2 2.x header.
  h.width = static_cast<int32_t>(Get32(raw + 4));
  h.height = static_cast<int32_t>(Get32(raw + 8));
  h.planes = Get16(raw + 12);
  h.bitCount = Get16(raw + 14);
  h.compression = Get32(raw + 16);
  h.imageSize = Get32(raw + 20);
  h.colorsUsed = Get32(raw + 32);
  if (h.size >= kHeaderWithMasks) {
    for (int i = 0; i < 3; ++i) h.masks[i] = Get32(raw + 40 + 4 * i);
  }
  return h;
}

bool IsSupported(uint32_t bitCount, uint32_t compression) {
  switch (compression) {
    case kRgb:
      return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
             bitCount == 32;
    case kRle8:
      return bitCount == 8;
    case kRle4:
      return bitCount == 4;
    case kBitFields:
    case kAlphaBitFields:
      return bitCount == 16 || bitCount == 32;
    default:  // JPEG, PNG, OS/2 Huffman and RLE24, CMYK variants
      return false;
  }
}

// The colour table: `count` entries of 3 bytes (core header) or 4 bytes. Indexed
// pixels keep the entries they can address; the rest, and every entry of a deeper
// picture, is skipped.
TColorTable ReadColorTable(TStream& stream, uint64_t count, size_t entrySize, uint32_t bitCount) {
  if (count * entrySize > static_cast<uint64_t>(stream.Remaining())) {
    throw EReadError("Stream read error");
  }
  const uint64_t addressable = bitCount <= 8 ? uint64_t{1} << bitCount : 0;
  const size_t kept = static_cast<size_t>(std::min(count, addressable));
  TColorTable colors(kept);
  std::vector<uint8_t> raw(kept * entrySize);
  stream.ReadBuffer(raw.data(), raw.size());
  for (size_t i = 0; i < kept; ++i) {
    const uint8_t* e = raw.data() + i * entrySize;
    colors[i] = {e[0], e[1], e[2], 0};
  }
  Skip(stream, (count - kept) * entrySize);
  return colors;
}

}  // namespace

void TBitmap::LoadFromStream(TStream& stream) {
  if (stream.Remaining() == 0) {
    SetDib(nullptr);
    return;
  }
  const int64_t start = stream.Position();
  const int64_t end = stream.Size();

  uint8_t fileHeader[14];
  stream.ReadBuffer(fileHeader, sizeof fileHeader);
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') RaiseInvalid();
  const uint32_t pixelOffset = Get32(fileHeader + 10);

  InfoHeader h = ReadInfoHeader(stream);
  if (h.planes != 1) RaiseInvalid();
  if (!IsSupported(h.bitCount, h.compression)) RaiseInvalid();

  // Sizes are checked before anything is allocated.
  const bool topDown = h.height < 0;
  const int64_t height = std::abs(h.height);
  if (h.width <= 0 || height == 0 || height > INT32_MAX) RaiseInvalid();
  const bool rle = h.compression == kRle8 || h.compression == kRle4;
  if (rle && topDown) RaiseInvalid();  // run-length data always runs bottom-up
  const int width = static_cast<int>(h.width);
  const int bitCount = static_cast<int>(h.bitCount);
  const uint64_t stride = DibSection::StrideFor(width, bitCount);
  // The stride alone may exceed the limit, so the product cannot overflow.
  if (stride == 0 || stride > kMaxPixelBytes) RaiseInvalid();
  const uint64_t pixelBytes = stride * static_cast<uint64_t>(height);
  if (pixelBytes > kMaxPixelBytes) RaiseInvalid();

  const bool bitFields = h.compression == kBitFields || h.compression == kAlphaBitFields;
  if (bitFields && h.size < kHeaderWithMasks) {
    // The masks follow a short header; alpha bit fields add an alpha mask we ignore.
    uint8_t raw[16];
    stream.ReadBuffer(raw, h.compression == kAlphaBitFields ? 16 : 12);
    for (int i = 0; i < 3; ++i) h.masks[i] = Get32(raw + 4 * i);
  }
  if (bitFields && !h.masks[0] && !h.masks[1] && !h.masks[2]) RaiseInvalid();

  uint64_t colorCount =
      h.colorsUsed ? h.colorsUsed : (h.bitCount <= 8 ? uint64_t{1} << h.bitCount : 0);
  const size_t entrySize = h.size == kCoreHeaderSize ? 3 : 4;
  // The colour table never reaches past the pixel offset. Writers store fewer entries
  // than the header implies (an old core header cannot even say how many) and point the
  // offset at the pixels right after them; reading on would take pixel bytes as colours.
  // The table then holds the whole entries before the offset, and indices beyond it show
  // black. An offset at or before the table's start is no such pointer and is ignored.
  const int64_t tableStart = stream.Position();
  const int64_t pixelStart = start + int64_t{pixelOffset};
  if (pixelStart > tableStart &&
      static_cast<uint64_t>(pixelStart - tableStart) < colorCount * entrySize) {
    colorCount = static_cast<uint64_t>(pixelStart - tableStart) / entrySize;
  }
  TColorTable colors = ReadColorTable(stream, colorCount, entrySize, h.bitCount);

  // The file header's pixel offset is used when it lies at or after the table's end and
  // points into the file; otherwise the pixels follow the table directly.
  const int64_t tableEnd = stream.Position();
  if (start + int64_t{pixelOffset} >= tableEnd && start + int64_t{pixelOffset} < end) {
    stream.SetPosition(start + pixelOffset);
  }
  const uint64_t remaining = static_cast<uint64_t>(stream.Remaining());
  uint64_t dataSize = h.imageSize ? h.imageSize : (rle ? remaining : pixelBytes);
  dataSize = std::min(dataSize, remaining);

  auto dib = DibSection::Create(width, static_cast<int>(height), bitCount);
  dib->topDown = topDown;
  if (bitFields) std::copy(std::begin(h.masks), std::end(h.masks), dib->masks);
  if (bitCount <= 8) dib->colors = std::move(colors);
  if (rle) {
    DecodeRle(stream, dataSize, *dib);
  } else {
    // Rows the data does not reach (the top rows of a short bottom-up file) stay 0.
    stream.ReadBuffer(dib->bits.get(), static_cast<size_t>(std::min(dataSize, pixelBytes)));
  }
  SetDib(std::move(dib));
}

}  // namespace velora
