#include "jpeg/jpeg.h"

#include <algorithm>

#include "jpeg/jpeg_codec.h"
#include "util/atomic_file.h"

namespace velora {

namespace {
std::unique_ptr<TGraphic> Create() {
  return std::make_unique<TJPEGImage>();
}

int ScaleDenominator(TJPEGScale scale) {
  return 1 << static_cast<int>(scale);
}
}  // namespace

const TGraphicClass& TJPEGImage::Class() {
  static const TGraphicClass cls{"TJPEGImage", nullptr, &Create};
  return cls;
}

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()) {}

int TJPEGImage::Width() const {
  if (bitmap_) return bitmap_->Width();
  if (DecodeScale == TJPEGScale::jsFullSize || data_->Bytes.empty()) return data_->Width;
  return ReadJpegHeader(data_->Bytes.data(), data_->Bytes.size(), ScaleDenominator(DecodeScale))
      .OutputWidth;
}

int TJPEGImage::Height() const {
  if (bitmap_) return bitmap_->Height();
  if (DecodeScale == TJPEGScale::jsFullSize || data_->Bytes.empty()) return data_->Height;
  return ReadJpegHeader(data_->Bytes.data(), data_->Bytes.size(), ScaleDenominator(DecodeScale))
      .OutputHeight;
}

void TJPEGImage::SetWidth(int) {
  throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}
void TJPEGImage::SetHeight(int) {
  throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

bool TJPEGImage::IsEmpty() const {
  return !loaded_ && data_->Bytes.empty() && !(bitmap_ && !bitmap_->IsEmpty());
}

void TJPEGImage::NewData() {
  data_ = std::make_shared<TJPEGData>();
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  NewData();
  bitmap_.reset();
  loaded_ = true;
  const int64_t remaining = stream.Remaining();
  data_->Bytes.resize(static_cast<size_t>(remaining));
  if (remaining > 0) {
    stream.ReadBuffer(data_->Bytes.data(), data_->Bytes.size());
    EncodeProgressive = false;
    JpegHeader header = ReadJpegHeader(data_->Bytes.data(), data_->Bytes.size(), 1, true);
    data_->Width = header.Width;
    data_->Height = header.Height;
    data_->Gray = header.Gray;
    data_->Orientation = header.Orientation;
    data_->ColorProfile = std::move(header.ColorProfile);
    EncodeProgressive = header.Progressive;
  }
  Changed();
}

JpegDecodeOptions TJPEGImage::DecodeOptions() const {
  JpegDecodeOptions options;
  options.ScaleDenominator = ScaleDenominator(DecodeScale);
  options.Smoothing = DecodeSmoothing;
  options.GrayOnly = GrayOnly;
  options.EightBit = decodeDepth_ == TJPEGPixelFormat::jf8Bit;
  options.Fast = DecodeSpeed == TJPEGPerformance::jpBestSpeed;
  return options;
}

void TJPEGImage::Decode() const {
  if (bitmap_) return;
  bool damaged = false;
  auto dib = DecodeJpeg(data_->Bytes.data(), data_->Bytes.size(), DecodeOptions(), &damaged);
  if (damaged) data_->Damaged = true;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetDib(std::move(dib));
  bitmap_ = std::move(bitmap);
}

const TBitmap& TJPEGImage::Bitmap() const {
  Decode();
  return *bitmap_;
}

void TJPEGImage::SetDecodeDepth(TJPEGPixelFormat depth) {
  if (depth == decodeDepth_) return;
  decodeDepth_ = depth;
  bitmap_.reset();
}

void TJPEGImage::CopyGraphic(const TGraphic* source) {
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(source)) {
    if (jpeg == this) return;
    data_ = jpeg->data_;
    loaded_ = jpeg->loaded_;
    bitmap_.reset();
    if (jpeg->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->CopyGraphic(jpeg->bitmap_.get());
    }
    Changed();
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    NewData();
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->CopyGraphic(bitmap);
    Changed();
    return;
  }
  TGraphic::CopyGraphic(source);
}

void TJPEGImage::CopyTo(TGraphic& destination) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&destination)) {
    Decode();
    bitmap->CopyGraphic(bitmap_.get());
    return;
  }
  TGraphic::CopyTo(destination);
}

namespace {

// Rows decoded on demand into a small ring.
class JpegRowStream : public TRowSource {
 public:
  JpegRowStream(std::shared_ptr<TJPEGData> data, const JpegDecodeOptions& options)
      : data_(std::move(data)),
        decoder_(data_->Bytes.data(), data_->Bytes.size(), options),
        rowBytes_(static_cast<size_t>(decoder_.Width()) * 3),
        ring_(rowBytes_ * kRing) {}
  int Width() const override { return decoder_.Width(); }
  int Height() const override { return decoder_.Height(); }
  const uint8_t* Row(int y) override {
    // Decoding runs ahead in batches: switching between the decoder and the resampler for
    // every few rows costs more than the cache the batch takes.
    if (decoder_.NextRow() <= y) {
      const int until = std::min(decoder_.Height(), y + kAhead);
      while (decoder_.NextRow() < until) decoder_.ReadRow(Slot(decoder_.NextRow()));
      if (decoder_.NextRow() == decoder_.Height()) decoder_.Finish();
      if (decoder_.Damaged()) data_->Damaged = true;
    }
    return Slot(y);
  }

 private:
  static constexpr int kAhead = 64;
  static constexpr int kRing = 2 * kAhead;
  uint8_t* Slot(int y) { return ring_.data() + rowBytes_ * static_cast<size_t>(y % kRing); }

  std::shared_ptr<TJPEGData> data_;  // told when the rows turn out damaged
  JpegRowDecoder decoder_;
  size_t rowBytes_;
  std::vector<uint8_t> ring_;
};

}  // namespace

std::unique_ptr<TRowSource> TJPEGImage::RowStream() const {
  const JpegDecodeOptions options = DecodeOptions();
  if (bitmap_ || data_->Bytes.empty() || options.EightBit || options.GrayOnly) return nullptr;
  return std::make_unique<JpegRowStream>(data_, options);
}

void TJPEGImage::EncodeJpeg() {
  if (!data_->Bytes.empty()) return;
  if (!bitmap_ || bitmap_->Width() == 0 || bitmap_->Height() == 0) return;
  // A temporary bitmap sharing the held pixels, brought to 24 bits if it has another
  // depth; reading its rows never copies them.
  TBitmap work;
  work.CopyGraphic(bitmap_.get());
  work.SetPixelDepth(PixelDepth::pf24bit);
  auto data = std::make_shared<TJPEGData>();
  data->Bytes = EncodeJpegBytes(work, EncodeQuality, GrayOnly, EncodeProgressive,
                                EncodeColorProfile, EncodeExif, EncodeXmp);
  data->Width = work.Width();
  data->Height = work.Height();
  data->Gray = GrayOnly;
  if (EncodeColorProfile.size() <= kMaxColorProfileBytes) data->ColorProfile = EncodeColorProfile;
  data_ = std::move(data);
}

void TJPEGImage::SaveToStream(TStream& stream) {
  EncodeJpeg();
  stream.WriteBuffer(data_->Bytes.data(), data_->Bytes.size());
}

void TJPEGImage::SaveFile(const std::string& fileName) {
  EncodeJpeg();
  WriteFileAtomically(fileName, data_->Bytes.data(), data_->Bytes.size());
}

}  // namespace velora
