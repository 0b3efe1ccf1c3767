#pragma once
// Builds small PNG files byte by byte for the reader's tests: samples packed and
// filtered as the PNG standard says, chunks with their CRC, image data split at will.
#include <cstdint>
#include <string>
#include <vector>

namespace velora::test {

using Bytes = std::vector<uint8_t>;

// A picture as PNG samples: width × height × channels values, top row first.
struct PngImage {
  int width = 0;
  int height = 0;
  int bitDepth = 8;
  int colorType = 0;
  std::vector<uint16_t> samples;
};

int PngChannels(int colorType);

// The scanlines of the image, each row with its filter type byte. Interlaced images
// are laid out pass by pass (Adam7). `filter` 0..4 filters every row that way; 5 picks
// the types in turn; any other value is written as the type byte of unfiltered rows.
Bytes Scanlines(const PngImage& image, bool interlaced, int filter = 0);
// A zlib stream of the bytes, optionally made with a preset dictionary.
Bytes Deflate(const Bytes& raw, int level = 6, const Bytes& dictionary = {});
uint32_t Crc(const std::string& type, const Bytes& data);

class PngBuilder {
 public:
  // Starts with the PNG signature.
  PngBuilder();
  PngBuilder& Chunk(const std::string& type, const Bytes& data);
  // A chunk whose stored CRC is off by one.
  PngBuilder& BadCrcChunk(const std::string& type, const Bytes& data);
  PngBuilder& Ihdr(uint32_t width, uint32_t height, int bitDepth, int colorType, int interlace = 0,
                   int compression = 0, int filter = 0);
  PngBuilder& Ihdr(const PngImage& image, bool interlaced = false);
  // The data as IDAT chunks of at most `pieceSize` bytes each (0: one chunk).
  PngBuilder& Idat(const Bytes& zlib, size_t pieceSize = 0);
  PngBuilder& Iend() { return Chunk("IEND", {}); }
  PngBuilder& Raw(const Bytes& bytes);
  const Bytes& Build() const { return bytes_; }

 private:
  Bytes bytes_;
};

// A chunk to put between the header and the image data: its type and its data.
struct PngChunk {
  std::string type;
  Bytes data;
};

// A whole file: the header, the extra chunks, the image data in IDAT chunks of at most
// `pieceSize` bytes, and the end chunk.
Bytes MakePng(const PngImage& image, const std::vector<PngChunk>& extra = {},
              bool interlaced = false, int filter = 0, size_t pieceSize = 0);

Bytes BigEndian(uint32_t value);
Bytes BigEndian16(uint16_t value);

}  // namespace velora::test
