// Decoding the image data: inflating the zlib stream across IDAT chunks, undoing the row
// filters, walking the Adam7 passes and storing the samples into the working form.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "png/png_chunks.h"
#include "png/png_errors.h"
#include "png/png_inflate.h"
#include "png/pngread.h"

namespace velora {

namespace {

constexpr TChunkName kIdat = {'I', 'D', 'A', 'T'};
// zlib gets its input in blocks of at most this size, never past the current chunk.
constexpr size_t kInputBlock = 65535;

// Hands zlib the data of consecutive IDAT chunks, block by block, and checks the CRC of
// each chunk whose data it used up.
class IdatInput {
 public:
  IdatInput(TStream& stream, uint32_t length)
      : stream_(stream), remaining_(length), crc_(ChunkCrc(kIdat)), block_(kInputBlock) {}

  // Gives zlib the next block, moving into the next chunk when this one is used up.
  void Refill(z_stream& z) {
    while (remaining_ == 0) {
      CheckCrc();
      uint8_t head[8];
      if (ReadUpTo(stream_, head, 8) < 8) throw EPngUnexpectedEnd(png_text::kUnexpectedEnd);
      if (!std::equal(kIdat.begin(), kIdat.end(), head + 4)) {
        throw EPNGMissingMultipleIDAT(png_text::kMissingMultipleIDAT);
      }
      remaining_ = BigEndian32(head);
      crc_ = ChunkCrc(kIdat);
    }
    const size_t got = ReadBlock();
    z.next_in = block_.data();
    z.avail_in = static_cast<uInt>(got);
  }

  // After the last row: reads the rest of the current chunk and checks its CRC.
  void Finish() {
    while (remaining_ > 0) ReadBlock();
    CheckCrc();
  }

 private:
  size_t ReadBlock() {
    const size_t want = std::min<size_t>(remaining_, kInputBlock);
    const size_t got = ReadUpTo(stream_, block_.data(), want);
    // The file ended inside the chunk: the rest of the picture is missing, and the
    // chunk's CRC can never match.
    if (got == 0) throw EPngInvalidCRC(png_text::kInvalidCRC);
    crc_ = ChunkCrc(crc_, block_.data(), got);
    remaining_ -= static_cast<uint32_t>(got);
    return got;
  }

  void CheckCrc() {
    uint8_t stored[4];
    if (ReadUpTo(stream_, stored, 4) < 4 || BigEndian32(stored) != crc_) {
      throw EPngInvalidCRC(png_text::kInvalidCRC);
    }
  }

  TStream& stream_;
  uint32_t remaining_;
  uint32_t crc_;
  std::vector<uint8_t> block_;
};

// The inflated bytes of the image data, handed out row by row.
class RowSource {
 public:
  RowSource(TStream& stream, uint32_t length) : input_(stream, length) {}

  // Fills the buffer completely. A stream that ends or asks for a dictionary before
  // that raises EPNGZLIBError naming zlib's result.
  void Read(uint8_t* buffer, size_t size) {
    z_stream& z = inflater_.Stream();
    z.next_out = buffer;
    z.avail_out = static_cast<uInt>(size);
    while (z.avail_out > 0) {
      if (ended_) RaiseZlibError(Z_STREAM_END);
      if (z.avail_in == 0) input_.Refill(z);
      const int result = inflate(&z, Z_NO_FLUSH);
      if (result == Z_STREAM_END) {
        ended_ = true;
      } else if (result != Z_OK) {
        RaiseZlibError(result);
      }
    }
  }

  void Finish() { input_.Finish(); }

 private:
  IdatInput input_;
  TInflater inflater_;
  bool ended_ = false;
};

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Undoes a row's filter in place; prev is the unfiltered row above (zeros for the
// first row of a pass). Unknown filter types leave the row as it is.
void Unfilter(uint8_t type, uint8_t* row, const uint8_t* prev, size_t size, size_t bpp) {
  switch (type) {
    case 1:
      for (size_t i = bpp; i < size; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      break;
    case 2:
      for (size_t i = 0; i < size; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
      break;
    case 3:
      for (size_t i = 0; i < size; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + (left + prev[i]) / 2);
      }
      break;
    case 4:
      for (size_t i = 0; i < size; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        const int upLeft = i >= bpp ? prev[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + Paeth(left, prev[i], upLeft));
      }
      break;
    default:
      break;
  }
}

// Writes an index into a 1-, 4- or 8-bit row.
void PutIndex(uint8_t* row, int bitCount, int x, unsigned index) {
  switch (bitCount) {
    case 1: {
      const auto bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((index & 1) ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 15))
                  : static_cast<uint8_t>((b & 0x0F) | (index & 15) << 4);
      break;
    }
    default:
      row[x] = static_cast<uint8_t>(index);
      break;
  }
}

// Puts the samples of unfiltered rows into the working form and the alpha plane.
class PixelStore {
 public:
  PixelStore(TChunkIHDR& header, const TGammaTable& gamma)
      : header_(header), image_(*header.WorkingForm()), gamma_(gamma) {}

  // Stores `count` pixels of one row: they go to x0, x0 + dx, ... of picture row y.
  void StoreRow(const uint8_t* src, int y, int x0, int dx, int count) {
    uint8_t* dst = image_.Row(y);
    switch (header_.ColorType()) {
      case 0:
      case 3:
        StoreIndices(src, dst, x0, dx, count);
        break;
      case 4: {
        const int step = header_.BitDepth() / 8;  // high bytes of 16-bit samples
        uint8_t* alpha = header_.AlphaRow(y);
        for (int i = 0, x = x0; i < count; ++i, x += dx, src += 2 * step) {
          dst[x] = src[0];
          alpha[x] = src[step];
        }
        break;
      }
      default: {
        const int step = header_.BitDepth() / 8;
        const bool hasAlpha = header_.HasAlpha();
        const int pixelBytes = (hasAlpha ? 4 : 3) * step;
        uint8_t* alpha = header_.AlphaRow(y);
        for (int i = 0, x = x0; i < count; ++i, x += dx, src += pixelBytes) {
          uint8_t* bgr = dst + 3 * static_cast<size_t>(x);
          bgr[0] = gamma_[src[2 * step]];
          bgr[1] = gamma_[src[step]];
          bgr[2] = gamma_[src[0]];
          if (hasAlpha) alpha[x] = src[3 * step];
        }
        break;
      }
    }
  }

 private:
  void StoreIndices(const uint8_t* src, uint8_t* dst, int x0, int dx, int count) {
    const int depth = header_.BitDepth();
    const int bitCount = image_.bitCount;
    if (depth == bitCount && x0 == 0 && dx == 1) {
      // Same packing, leftmost pixel in the high bits: the row is the working form's row.
      std::memcpy(dst, src, (static_cast<size_t>(count) * depth + 7) / 8);
      return;
    }
    // 2-bit gray widens to the 16-level table: sample v is entry 5 v.
    const unsigned factor = depth == 2 && header_.ColorType() == 0 ? 5 : 1;
    const unsigned mask = (1u << std::min(depth, 8)) - 1;
    for (int i = 0, x = x0; i < count; ++i, x += dx) {
      unsigned v;
      if (depth == 16) {
        v = src[2 * i];
      } else if (depth == 8) {
        v = src[i];
      } else {
        const size_t bit = static_cast<size_t>(i) * depth;
        v = (src[bit >> 3] >> (8 - depth - (bit & 7))) & mask;
      }
      PutIndex(dst, bitCount, x, v * factor);
    }
  }

  TChunkIHDR& header_;
  DibSection& image_;
  const TGammaTable& gamma_;
};

// Gray tables spread their entries evenly from black to white, through the gamma table.
void FillGrayTable(TColorTable& table, const TGammaTable& gamma) {
  const size_t last = table.size() - 1;
  for (size_t k = 0; k <= last; ++k) {
    const uint8_t v = gamma[(k * 255 + last / 2) / last];
    table[k] = {v, v, v, 0};
  }
}

struct Pass {
  int x0, y0, dx, dy;
};
constexpr Pass kWholePicture[] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

int PassSize(int size, int start, int step) {
  return size > start ? (size - start + step - 1) / step : 0;
}

int Channels(int colorType) {
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

// Inflates the image data that start with an IDAT chunk of `length` bytes (its type
// already read) and fills the header's working form.
void DecodeImageData(TStream& stream, uint32_t length, TChunkIHDR& header,
                     const TGammaTable& gamma) {
  header.CreateWorkingForm();
  if (header.ColorType() == 0 || header.ColorType() == 4) FillGrayTable(header.ColorTable(), gamma);

  const int width = header.Width(), height = header.Height();
  const size_t bitsPerPixel = static_cast<size_t>(Channels(header.ColorType())) * header.BitDepth();
  const size_t bpp = std::max<size_t>(1, bitsPerPixel / 8);  // the filters' byte distance
  const size_t maxRowBytes = (static_cast<size_t>(width) * bitsPerPixel + 7) / 8;
  // Each buffer holds the filter type byte and one row; they take turns as the row above.
  std::vector<uint8_t> current(maxRowBytes + 1), previous(maxRowBytes + 1);

  RowSource source(stream, length);
  PixelStore store(header, gamma);
  const bool interlaced = header.InterlaceMethod() == 1;
  for (const Pass& pass :
       interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWholePicture)) {
    const int passWidth = PassSize(width, pass.x0, pass.dx);
    const int passHeight = PassSize(height, pass.y0, pass.dy);
    if (passWidth == 0 || passHeight == 0) continue;
    const size_t rowBytes = (static_cast<size_t>(passWidth) * bitsPerPixel + 7) / 8;
    std::fill_n(previous.begin(), rowBytes + 1, 0);
    for (int r = 0; r < passHeight; ++r) {
      source.Read(current.data(), rowBytes + 1);
      Unfilter(current[0], current.data() + 1, previous.data() + 1, rowBytes, bpp);
      store.StoreRow(current.data() + 1, pass.y0 + r * pass.dy, pass.x0, pass.dx, passWidth);
      std::swap(current, previous);
    }
  }
  source.Finish();
}

}  // namespace

void TChunkIDAT::LoadFromStream(TStream& stream, uint32_t length) {
  // The image data are decoded as they are read and not kept as bytes.
  TChunkIHDR* header = Owner().MutableHeader();
  if (!header) throw EPNGHeaderNotPresent(png_text::kHeaderNotPresent);
  DecodeImageData(stream, length, *header, Owner().GammaTable());
}

}  // namespace velora
