#pragma once
// The chunks of a PNG file: a class for each type the reader understands, and a plain
// chunk that keeps the bytes of every other type.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace velora {

class TPngPicture;

// The four letters of a chunk's type.
using TChunkName = std::array<char, 4>;
// 256 output levels for 256 input levels.
using TGammaTable = std::array<uint8_t, 256>;

class TChunk {
 public:
  TChunk(TPngPicture& owner, const TChunkName& name) : owner_(owner), name_(name) {}
  virtual ~TChunk() = default;
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;

  const TChunkName& Name() const { return name_; }
  std::string NameText() const { return std::string(name_.begin(), name_.end()); }
  const std::vector<uint8_t>& Data() const { return data_; }
  TPngPicture& Owner() const { return owner_; }
  // A critical chunk (first letter upper case) must be understood to show the picture.
  bool IsCritical() const { return (name_[0] & 0x20) == 0; }

  // Reads `length` data bytes and the CRC after them, checks the CRC over type and data
  // (EPngInvalidCRC, also when the file ends first), then takes the chunk's values.
  virtual void LoadFromStream(TStream& stream, uint32_t length);

 protected:
  // Takes the chunk's values from its data; a plain chunk only keeps the bytes.
  virtual void Interpret() {}

  std::vector<uint8_t> data_;

 private:
  TPngPicture& owner_;
  TChunkName name_;
};

// The header: size, sample layout, and the working form the image data are decoded into.
class TChunkIHDR : public TChunk {
 public:
  using TChunk::TChunk;

  int Width() const { return static_cast<int>(width_); }
  int Height() const { return static_cast<int>(height_); }
  int BitDepth() const { return bitDepth_; }
  int ColorType() const { return colorType_; }
  int CompressionMethod() const { return compression_; }
  int FilterMethod() const { return filter_; }
  int InterlaceMethod() const { return interlace_; }
  bool HasAlpha() const { return colorType_ == 4 || colorType_ == 6; }
  // Bits per pixel of the working form: 1, 4 or 8 (indexed) or 24 (blue, green, red).
  int WorkingBitCount() const;

  // The working form once image data have been read, else none: rows bottom-up, padded
  // to 4 bytes, and for indexed forms a complete colour table.
  std::shared_ptr<const DibSection> WorkingForm() const { return image_; }
  std::shared_ptr<DibSection> WorkingForm() { return image_; }
  // The colour table of an indexed working form (empty for 24 bits).
  const TColorTable& ColorTable() const { return image_ ? image_->colors : colors_; }
  TColorTable& ColorTable() { return image_ ? image_->colors : colors_; }
  // Row y of the alpha plane (width bytes, row 0 at the top), or none without alpha.
  const uint8_t* AlphaRow(int y) const;
  uint8_t* AlphaRow(int y);

  // Makes the zero-filled working form and alpha plane. Called when the image data
  // begin, so a file that never gets there allocates no pixels.
  void CreateWorkingForm();

 protected:
  void Interpret() override;

 private:
  uint32_t width_ = 0, height_ = 0;
  uint8_t bitDepth_ = 0, colorType_ = 0, compression_ = 0, filter_ = 0, interlace_ = 0;
  TColorTable colors_;  // the table until the working form exists
  std::shared_ptr<DibSection> image_;
  std::unique_ptr<uint8_t[]> alpha_;
};

// The palette. Its colours go through the gamma table into the working form's table.
class TChunkPLTE : public TChunk {
 public:
  using TChunk::TChunk;
  int Count() const { return count_; }

 protected:
  void Interpret() override;

 private:
  int count_ = 0;
};

// The image data. Loading it decodes the whole picture, through every IDAT chunk that
// directly follows.
class TChunkIDAT : public TChunk {
 public:
  using TChunk::TChunk;
  void LoadFromStream(TStream& stream, uint32_t length) override;
};

class TChunkIEND : public TChunk {
 public:
  using TChunk::TChunk;
};

class TChunkgAMA : public TChunk {
 public:
  using TChunk::TChunk;
  // 100000 × the file's gamma; 0 when the chunk gives none.
  uint32_t Gamma() const { return gamma_; }

 protected:
  void Interpret() override;

 private:
  uint32_t gamma_ = 0;
};

// Transparency: per palette entry, or one gray or RGB sample value.
class TChunktRNS : public TChunk {
 public:
  using TChunk::TChunk;
  // The chunk's bytes, 255 beyond them.
  const std::array<uint8_t, 256>& Values() const { return values_; }
  // Whether the chunk makes one colour fully transparent and leaves the rest opaque.
  bool BitTransparency() const { return bitTransparency_; }

 protected:
  void Interpret() override;

 private:
  std::array<uint8_t, 256> values_{};
  bool bitTransparency_ = false;
};

class TChunktIME : public TChunk {
 public:
  using TChunk::TChunk;
  // Year (2 bytes), month, day, hour, minute, second, as stored.
  const std::array<uint8_t, 7>& Time() const { return time_; }

 protected:
  void Interpret() override;

 private:
  std::array<uint8_t, 7> time_{};
};

class TChunktEXt : public TChunk {
 public:
  using TChunk::TChunk;
  const std::string& Keyword() const { return keyword_; }
  const std::string& Text() const { return text_; }

 protected:
  void Interpret() override;

  std::string keyword_;
  std::string text_;
};

// Compressed text: the keyword, then the text inflated.
class TChunkzTXt : public TChunktEXt {
 public:
  using TChunktEXt::TChunktEXt;
  // The compressed texts of one picture keep this much inflated text in all, the rest is
  // dropped: the text is never drawn, and 1 KiB of compressed text can inflate to 1 MiB.
  static constexpr size_t kMaxTextBytes = size_t{1} << 20;

 protected:
  void Interpret() override;
};

// The chunk object for a type: one of the classes above, or a plain TChunk.
std::unique_ptr<TChunk> CreateChunk(TPngPicture& owner, const TChunkName& name);

// The standard CRC-32 of a chunk's type followed by its data, continued over more data.
uint32_t ChunkCrc(const TChunkName& name);
uint32_t ChunkCrc(uint32_t crc, const uint8_t* data, size_t size);

// Reads up to count bytes, as many as the stream still has.
size_t ReadUpTo(TStream& stream, void* buffer, size_t count);
inline uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

}  // namespace velora
