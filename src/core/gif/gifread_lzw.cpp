#include "gif/gifread_lzw.h"

#include <vector>

#include "gif/gifread.h"

namespace velora {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

// Codes least significant bit first from the data sub-blocks.
class CodeSource {
 public:
  explicit CodeSource(TGifReader& reader) : reader_(reader) { block_.reserve(255); }

  // The next code of the given width, or -1 when the data are used up.
  int Next(int width) {
    while (bitCount_ < width) {
      if (at_ == block_.size()) {
        if (ended_ || !reader_.ReadSubBlock(block_)) {
          ended_ = true;
          return -1;
        }
        at_ = 0;
      }
      bits_ |= uint32_t{block_[at_++]} << bitCount_;
      bitCount_ += 8;
    }
    const int code = static_cast<int>(bits_ & ((1u << width) - 1));
    bits_ >>= width;
    bitCount_ -= width;
    return code;
  }

  // Takes the rest of the sub-blocks, up to and including the terminator.
  void SkipRest() {
    if (!ended_) reader_.SkipSubBlocks();
    ended_ = true;
  }

 private:
  TGifReader& reader_;
  std::vector<uint8_t> block_;
  size_t at_ = 0;
  uint32_t bits_ = 0;
  int bitCount_ = 0;
  bool ended_ = false;
};

// Where the next pixel goes, row by row or in the four interlace passes.
class PixelSink {
 public:
  PixelSink(uint8_t* pixels, int width, int height, bool interlaced)
      : pixels_(pixels), width_(width), height_(height), interlaced_(interlaced) {
    full_ = width <= 0 || height <= 0;
  }

  bool Full() const { return full_; }

  void Put(uint8_t index) {
    pixels_[static_cast<size_t>(row_) * static_cast<size_t>(width_) + static_cast<size_t>(x_)] =
        index;
    if (++x_ < width_) return;
    x_ = 0;
    NextRow();
  }

 private:
  void NextRow() {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    if (!interlaced_) {
      full_ = ++row_ >= height_;
      return;
    }
    row_ += kStep[pass_];
    while (row_ >= height_) {
      if (++pass_ == 4) {
        full_ = true;
        return;
      }
      row_ = kStart[pass_];
    }
  }

  uint8_t* pixels_;
  int width_, height_;
  bool interlaced_;
  int row_ = 0, x_ = 0, pass_ = 0;
  bool full_ = false;
};

}  // namespace

void DecodeGifImageData(TGifReader& reader, uint8_t* pixels, int width, int height,
                        bool interlaced) {
  const int sizeByte = reader.Next();
  if (sizeByte < 0) {
    reader.Warn("Premature end of data");
    return;
  }
  const int codeSize = sizeByte > 8 ? 8 : sizeByte;
  const int clearCode = 1 << codeSize;
  const int endCode = clearCode + 1;
  const int firstFree = clearCode + 2;

  CodeSource codes(reader);
  PixelSink sink(pixels, width, height, interlaced);

  // Each entry is its prefix entry plus one last index; literals have no prefix.
  std::vector<uint16_t> prefix(kTableSize);
  std::vector<uint8_t> suffix(kTableSize);
  std::vector<uint8_t> first(kTableSize);    // the first index of the entry's string
  std::vector<uint16_t> length(kTableSize);  // the entry's string length
  for (int i = 0; i < clearCode; ++i) {
    suffix[i] = first[i] = static_cast<uint8_t>(i);
    length[i] = 1;
  }
  std::vector<uint8_t> chain(kTableSize);

  int codeWidth = codeSize + 1;
  int nextFree = firstFree;
  int previous = -1;  // the last code since a clear code, -1 right after one

  while (!sink.Full()) {
    const int code = codes.Next(codeWidth);
    if (code < 0) {
      reader.Warn("Decoder bit buffer under-run");
      return;
    }
    if (code == clearCode) {
      codeWidth = codeSize + 1;
      nextFree = firstFree;
      previous = -1;
      continue;
    }
    if (code == endCode) break;

    // The string this code stands for; a code equal to the next free one is the
    // previous string followed by its own first index.
    const bool defined = code < clearCode || (code >= firstFree && code < nextFree);
    const bool pending = previous >= 0 && code == nextFree && nextFree < kTableSize;
    if (!defined && !pending) throw EGifError("Circular decoder table entry");

    if (previous >= 0 && nextFree < kTableSize) {
      prefix[nextFree] = static_cast<uint16_t>(previous);
      first[nextFree] = first[previous];
      suffix[nextFree] = pending ? first[previous] : first[code];
      length[nextFree] = static_cast<uint16_t>(length[previous] + 1);
      ++nextFree;
      if (nextFree >= (1 << codeWidth) && codeWidth < kMaxCodeBits) ++codeWidth;
    }

    // Walk the chain backwards into the buffer, then emit it forwards. Every entry's
    // prefix is an older entry, so the walk ends after length steps.
    const int n = length[code];
    int c = code;
    for (int i = n - 1; i >= 0; --i) {
      chain[i] = suffix[c];
      c = prefix[c];
    }
    for (int i = 0; i < n && !sink.Full(); ++i) sink.Put(chain[i]);
    previous = code;
  }
  codes.SkipRest();
}

}  // namespace velora
