#include "png_builder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace velora::test {

int PngChannels(int colorType) {
  switch (colorType) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

namespace {

// The packed bytes of some pixels of one row.
Bytes PackRow(const PngImage& image, int y, int x0, int dx) {
  const int channels = PngChannels(image.colorType);
  Bytes row;
  int bitPos = 0;
  for (int x = x0; x < image.width; x += dx) {
    for (int c = 0; c < channels; ++c) {
      const uint16_t v = image.samples[(static_cast<size_t>(y) * image.width + x) * channels + c];
      if (image.bitDepth == 16) {
        row.push_back(static_cast<uint8_t>(v >> 8));
        row.push_back(static_cast<uint8_t>(v));
      } else if (image.bitDepth == 8) {
        row.push_back(static_cast<uint8_t>(v));
      } else {
        if (bitPos % 8 == 0) row.push_back(0);
        row.back() |= static_cast<uint8_t>(v << (8 - image.bitDepth - bitPos % 8));
        bitPos += image.bitDepth;
      }
    }
  }
  return row;
}

int Predict(int type, int left, int up, int upLeft) {
  switch (type) {
    case 1:
      return left;
    case 2:
      return up;
    case 3:
      return (left + up) / 2;
    case 4: {
      const int p = left + up - upLeft;
      const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
      if (pa <= pb && pa <= pc) return left;
      return pb <= pc ? up : upLeft;
    }
    default:
      return 0;
  }
}

void AppendFiltered(Bytes& out, const Bytes& row, const Bytes& above, int type, size_t bpp) {
  out.push_back(static_cast<uint8_t>(type));
  for (size_t i = 0; i < row.size(); ++i) {
    const int left = i >= bpp ? row[i - bpp] : 0;
    const int upLeft = i >= bpp ? above[i - bpp] : 0;
    out.push_back(static_cast<uint8_t>(row[i] - Predict(type, left, above[i], upLeft)));
  }
}

struct Pass {
  int x0, y0, dx, dy;
};

}  // namespace

Bytes Scanlines(const PngImage& image, bool interlaced, int filter) {
  static const Pass kWhole[] = {{0, 0, 1, 1}};
  static const Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  const size_t bpp =
      std::max<size_t>(1, static_cast<size_t>(PngChannels(image.colorType)) * image.bitDepth / 8);
  Bytes out;
  int turn = 0;
  const Pass* begin = interlaced ? kAdam7 : kWhole;
  const Pass* end = interlaced ? kAdam7 + 7 : kWhole + 1;
  for (const Pass* pass = begin; pass != end; ++pass) {
    if (pass->x0 >= image.width) continue;
    Bytes above;
    for (int y = pass->y0; y < image.height; y += pass->dy) {
      const Bytes row = PackRow(image, y, pass->x0, pass->dx);
      if (above.empty()) above.assign(row.size(), 0);
      int type = filter;
      if (filter == 5) type = turn++ % 5;
      if (type > 4) {
        out.push_back(static_cast<uint8_t>(type));
        out.insert(out.end(), row.begin(), row.end());
      } else {
        AppendFiltered(out, row, above, type, bpp);
      }
      above = row;
    }
  }
  return out;
}

Bytes Deflate(const Bytes& raw, int level, const Bytes& dictionary) {
  z_stream z{};
  if (deflateInit(&z, level) != Z_OK) throw std::runtime_error("deflateInit");
  if (!dictionary.empty()) {
    deflateSetDictionary(&z, dictionary.data(), static_cast<uInt>(dictionary.size()));
  }
  Bytes out(deflateBound(&z, static_cast<uLong>(raw.size())) + 64);
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

uint32_t Crc(const std::string& type, const Bytes& data) {
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  return static_cast<uint32_t>(crc);
}

Bytes BigEndian(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

Bytes BigEndian16(uint16_t value) {
  return {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

PngBuilder::PngBuilder() : bytes_{137, 80, 78, 71, 13, 10, 26, 10} {}

PngBuilder& PngBuilder::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

PngBuilder& PngBuilder::Chunk(const std::string& type, const Bytes& data) {
  Raw(BigEndian(static_cast<uint32_t>(data.size())));
  bytes_.insert(bytes_.end(), type.begin(), type.begin() + 4);
  Raw(data);
  return Raw(BigEndian(Crc(type, data)));
}

PngBuilder& PngBuilder::BadCrcChunk(const std::string& type, const Bytes& data) {
  Raw(BigEndian(static_cast<uint32_t>(data.size())));
  bytes_.insert(bytes_.end(), type.begin(), type.begin() + 4);
  Raw(data);
  return Raw(BigEndian(Crc(type, data) + 1));
}

PngBuilder& PngBuilder::Ihdr(uint32_t width, uint32_t height, int bitDepth, int colorType,
                             int interlace, int compression, int filter) {
  Bytes data = BigEndian(width);
  const Bytes h = BigEndian(height);
  data.insert(data.end(), h.begin(), h.end());
  for (int v : {bitDepth, colorType, compression, filter, interlace}) {
    data.push_back(static_cast<uint8_t>(v));
  }
  return Chunk("IHDR", data);
}

PngBuilder& PngBuilder::Ihdr(const PngImage& image, bool interlaced) {
  return Ihdr(static_cast<uint32_t>(image.width), static_cast<uint32_t>(image.height),
              image.bitDepth, image.colorType, interlaced ? 1 : 0);
}

PngBuilder& PngBuilder::Idat(const Bytes& zlib, size_t pieceSize) {
  if (pieceSize == 0) return Chunk("IDAT", zlib);
  for (size_t at = 0; at < zlib.size(); at += pieceSize) {
    const size_t n = std::min(pieceSize, zlib.size() - at);
    Chunk("IDAT", Bytes(zlib.begin() + static_cast<ptrdiff_t>(at),
                        zlib.begin() + static_cast<ptrdiff_t>(at + n)));
  }
  return *this;
}

Bytes MakePng(const PngImage& image, const std::vector<PngChunk>& extra, bool interlaced,
              int filter, size_t pieceSize) {
  PngBuilder png;
  png.Ihdr(image, interlaced);
  for (const PngChunk& chunk : extra) png.Chunk(chunk.type, chunk.data);
  return png.Idat(Deflate(Scanlines(image, interlaced, filter)), pieceSize).Iend().Build();
}

}  // namespace velora::test
