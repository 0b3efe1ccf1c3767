#pragma once
// The libjpeg side of TJPEGImage: errors become EJPEG "JPEG error #%d" with libjpeg's
// message code; sources and destinations are memory in 4096-byte blocks.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace velora {

struct JpegHeader {
  int Width = 0;
  int Height = 0;
  bool Gray = false;
  bool Progressive = false;
  int OutputWidth = 0;  // the size libjpeg gives the output at the scale asked for
  int OutputHeight = 0;
  // Read only when asked for: the EXIF orientation (1 without one) and the ICC profile
  // (empty without one, or when damaged or too large).
  int Orientation = 1;
  std::vector<uint8_t> ColorProfile;
};

struct JpegDecodeOptions {
  int ScaleDenominator = 1;  // 1, 2, 4 or 8
  bool Smoothing = true;
  bool GrayOnly = false;
  bool EightBit = false;  // quantise colour pictures to 236 colours
  bool Fast = false;      // fast integer DCT, one-pass quantisation, ordered dither
};

// Reads the header only; the output size is worked out for a scale of 1 / scaleDenominator.
// With `metadata`, also the orientation and the colour profile; a damaged EXIF block or
// profile is passed over, never an error.
JpegHeader ReadJpegHeader(const uint8_t* data, size_t size, int scaleDenominator = 1,
                          bool metadata = false);
// Decodes a JPEG one row at a time, top row first. Colour pictures become 24 bits in
// blue-green-red order; four-component pictures (CMYK, YCCK) are converted to the same;
// gray pictures become 24 bits with equal channels, or 8 bits with a full gray table when
// only gray is asked for; 8-bit colour output is quantised to 236 colours. Every method
// raises EJPEG for what libjpeg reports.
class JpegRowDecoder {
 public:
  // Reads the header and starts decompressing. Pictures whose decoded pixels would need
  // more than kMaxPixelBytes are refused here, before anything is allocated.
  JpegRowDecoder(const uint8_t* data, size_t size, const JpegDecodeOptions& options);
  ~JpegRowDecoder();
  JpegRowDecoder(const JpegRowDecoder&) = delete;
  JpegRowDecoder& operator=(const JpegRowDecoder&) = delete;

  int Width() const;
  int Height() const;
  int BitCount() const;  // 24 or 8
  // The colour table of 8-bit output.
  TColorTable Colors() const;
  // The index of the row the next ReadRow delivers.
  int NextRow() const;
  // Decodes the next row into `row`, which holds Width() * BitCount() / 8 bytes.
  void ReadRow(uint8_t* row);
  // Ends decompression once every row was read.
  void Finish();
  // The rows read so far met lost data: the file ended early or held corrupt entropy-coded
  // data that libjpeg stepped over (it fills such parts with its own guess).
  bool Damaged() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The whole picture as a pixel section, decoded with JpegRowDecoder. `damaged`, when
// given, tells whether the decoding met lost data.
std::shared_ptr<DibSection> DecodeJpeg(const uint8_t* data, size_t size,
                                       const JpegDecodeOptions& options, bool* damaged = nullptr);
// A baseline JFIF file (or progressive/gray when asked) from a 24-bit bitmap. A colour
// profile (of at most kMaxColorProfileBytes) follows the JFIF segment in APP2 segments
// of up to 65519 profile bytes each; without one the file has no APP2 segment. An EXIF
// block (from the TIFF header on) and an XMP packet go into APP1 segments between the
// JFIF segment and the profile; one too long for a segment is left out.
std::vector<uint8_t> EncodeJpegBytes(const TBitmap& bitmap24, int quality, bool gray,
                                     bool progressive,
                                     const std::vector<uint8_t>& colorProfile = {},
                                     const std::vector<uint8_t>& exif = {},
                                     const std::string& xmp = {});

}  // namespace velora
