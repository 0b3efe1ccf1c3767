#include "picture/bmp_rle.h"

#include <algorithm>

namespace velora {

namespace {

// Hands out the bytes of the compressed data one at a time, reading the stream in
// blocks, and never more than the data's size.
class ByteSource {
 public:
  ByteSource(TStream& stream, uint64_t size) : stream_(stream), left_(size) {}

  bool Next(uint8_t& byte) {
    if (pos_ == len_) {
      if (left_ == 0) return false;
      len_ = stream_.Read(buffer_, static_cast<size_t>(std::min<uint64_t>(left_, sizeof buffer_)));
      pos_ = 0;
      if (len_ == 0) {
        left_ = 0;
        return false;
      }
      left_ -= len_;
    }
    byte = buffer_[pos_++];
    return true;
  }

 private:
  TStream& stream_;
  uint64_t left_;
  uint8_t buffer_[4096];
  size_t pos_ = 0, len_ = 0;
};

// Where the next pixel goes, with every write clipped to the picture. Row 0 is the
// first row of the data, which is the bottom row and the first row in memory.
class PixelCursor {
 public:
  explicit PixelCursor(DibSection& dib) : dib_(dib) {}

  void Put(uint8_t index) {
    if (x_ < dib_.width && y_ < dib_.height) {
      uint8_t* row = dib_.bits.get() + dib_.stride * static_cast<size_t>(y_);
      if (dib_.bitCount == 8) {
        row[x_] = index;
      } else {
        uint8_t& b = row[x_ >> 1];
        b = (x_ & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                     : static_cast<uint8_t>((b & 0x0F) | (index << 4));
      }
    }
    ++x_;
  }
  void NextLine() {
    x_ = 0;
    ++y_;
  }
  void Move(uint8_t dx, uint8_t dy) {
    x_ += dx;
    y_ += dy;
  }
  bool PastTop() const { return y_ >= dib_.height; }

 private:
  DibSection& dib_;
  // 64 bits: long runs of clipped codes can push x far beyond any width.
  int64_t x_ = 0, y_ = 0;
};

}  // namespace

void DecodeRle(TStream& stream, uint64_t size, DibSection& dib) {
  const bool fourBit = dib.bitCount == 4;
  ByteSource in(stream, size);
  PixelCursor out(dib);
  uint8_t count, value;
  while (!out.PastTop() && in.Next(count) && in.Next(value)) {
    if (count > 0) {
      // An encoded run: one index, or for RLE4 two indices taken in turn.
      for (int i = 0; i < count; ++i) {
        out.Put(fourBit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        out.NextLine();
        break;
      case 1:  // end of bitmap
        return;
      case 2: {  // delta: right and up
        uint8_t dx, dy;
        if (!in.Next(dx) || !in.Next(dy)) return;
        out.Move(dx, dy);
        break;
      }
      default: {  // an absolute run of `value` pixels, padded to a whole 16-bit word
        const int pixels = value;
        const int bytes = fourBit ? (pixels + 1) / 2 : pixels;
        uint8_t b = 0;
        for (int i = 0; i < pixels; ++i) {
          if (!fourBit || (i & 1) == 0) {
            if (!in.Next(b)) return;
          }
          out.Put(fourBit ? ((i & 1) ? b & 0x0F : b >> 4) : b);
        }
        if (bytes & 1) {
          if (!in.Next(b)) return;
        }
        break;
      }
    }
  }
}

}  // namespace velora
