#pragma once
// The JPEG picture: reading over libjpeg (header at load, pixels on first use) and
// writing baseline JFIF files.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace velora {

VELORA_EXCEPTION(EJPEG, EInvalidGraphic)

struct JpegDecodeOptions;

enum class TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };

// The settings every new TJPEGImage starts from.
struct TJPEGDefaults {
  int EncodeQuality = 90;
  bool GrayOnly = false;
  TJPEGPerformance DecodeSpeed = TJPEGPerformance::jpBestQuality;
  TJPEGPixelFormat DecodeDepth = TJPEGPixelFormat::jf24Bit;
  bool ProgressiveDraw = false;
  bool EncodeProgressive = false;
  TJPEGScale DecodeScale = TJPEGScale::jsFullSize;
  bool DecodeSmoothing = true;
};
// Process-wide and read-only: displays here are never 8 bits deep, so 24-bit decoding.
inline constexpr TJPEGDefaults JpegDefaults{};

// The compressed bytes and what their header says; shared by copies of one image.
struct TJPEGData {
  std::vector<uint8_t> Bytes;
  int Width = 0;
  int Height = 0;
  bool Gray = false;
  int Orientation = 1;                // from the EXIF block, 1 without one
  std::vector<uint8_t> ColorProfile;  // from the APP2 segments, or the one encoded
  bool Damaged = false;               // decoding these bytes had to make up lost data
};

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // The decoded bitmap's size when there is one, else the header's (scaled when a
  // decode scale is set). Writing either raises EInvalidGraphicOperation.
  int Width() const override;
  int Height() const override;
  void SetWidth(int) override;
  void SetHeight(int) override;
  bool IsEmpty() const override;

  // Reads all bytes from the stream's position and the header; pixels come later.
  void LoadFromStream(TStream& stream) override;
  // Encodes when no compressed bytes are held, then writes them in one go.
  void SaveToStream(TStream& stream) override;
  // Encodes in memory first, then replaces the file atomically.
  void SaveFile(const std::string& fileName) override;

  // A TJPEGImage shares its data (and copies its bitmap); a TBitmap becomes the held
  // bitmap (pixels shared) with no compressed bytes; anything else raises.
  void CopyGraphic(const TGraphic* source) override;
  // Decodes if needed and shares the decoded bitmap with a TBitmap destination.
  void CopyTo(TGraphic& destination) const override;
  // Decodes row by row without keeping the picture, when it has not been decoded yet
  // and decodes to 24 bits: the same rows CopyTo would give.
  std::unique_ptr<TRowSource> RowStream() const override;
  // The EXIF orientation of the file read (1 when it has none); the pixels stay as stored.
  int Orientation() const override { return data_->Orientation; }
  // The file's ICC profile, or the one written into the bytes last encoded.
  const std::vector<uint8_t>& ColorProfile() const override { return data_->ColorProfile; }
  // The pixels decoded so far (by Bitmap, CopyTo or a row stream) met a truncated or corrupt
  // part of the file.
  bool Damaged() const override { return data_->Damaged; }

  // The decoded bitmap, decoding on first use. Raises EJPEG on damaged data.
  const TBitmap& Bitmap() const;
  bool HasBitmap() const { return bitmap_ != nullptr; }
  // The compressed bytes held (empty until loaded or encoded).
  const std::vector<uint8_t>& CompressedBytes() const { return data_->Bytes; }
  // Makes the compressed bytes from the held bitmap unless there are some already.
  void EncodeJpeg();

  // The settings, copied from JpegDefaults.
  int EncodeQuality = JpegDefaults.EncodeQuality;
  bool GrayOnly = JpegDefaults.GrayOnly;
  TJPEGPerformance DecodeSpeed = JpegDefaults.DecodeSpeed;
  bool ProgressiveDraw = JpegDefaults.ProgressiveDraw;
  bool EncodeProgressive = JpegDefaults.EncodeProgressive;
  TJPEGScale DecodeScale = JpegDefaults.DecodeScale;
  bool DecodeSmoothing = JpegDefaults.DecodeSmoothing;
  // The ICC profile EncodeJpeg writes into the file (none when empty). Like
  // EncodeQuality, read only when the bytes are made.
  std::vector<uint8_t> EncodeColorProfile;
  // The photo information EncodeJpeg writes (none when empty): an EXIF block from its
  // TIFF header on, and an XMP packet.
  std::vector<uint8_t> EncodeExif;
  std::string EncodeXmp;
  TJPEGPixelFormat DecodeDepth() const { return decodeDepth_; }
  // Drops the decoded bitmap when the depth changes.
  void SetDecodeDepth(TJPEGPixelFormat depth);

 private:
  void Decode() const;
  JpegDecodeOptions DecodeOptions() const;
  void NewData();

  std::shared_ptr<TJPEGData> data_;
  mutable std::unique_ptr<TBitmap> bitmap_;
  bool loaded_ = false;  // something was read, even 0 bytes
  TJPEGPixelFormat decodeDepth_ = JpegDefaults.DecodeDepth;
};

}  // namespace velora
