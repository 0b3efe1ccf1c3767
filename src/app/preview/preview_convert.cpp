#include "preview/preview_convert.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "jpeg/jpeg.h"
#include "picture/decoded_picture.h"
#include "picture/picture.h"
#include "png/pngread.h"

namespace velora::app {

namespace {

// Beyond this, the block sums of the reduction could overflow; no preview needs more.
constexpr int kMaxReduction = 1024;

QRgb FromEntry(const TColorEntry& c) {
  return qRgb(c.red, c.green, c.blue);
}

// 0x00BBGGRR, as the picture layer writes colours.
QRgb FromTColor(TColor c) {
  return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// Writes rows into an image at full size, or averages blocks of rows and columns into a
// smaller one, so the full-size picture never has to exist as one image.
class ReducingImageWriter {
 public:
  ReducingImageWriter(int width, int height, int reduction)
      : width_(width), height_(height), reduction_(std::clamp(reduction, 1, kMaxReduction)) {
    const int outWidth = (width + reduction_ - 1) / reduction_;
    const int outHeight = (height + reduction_ - 1) / reduction_;
    image_ = QImage(outWidth, outHeight, QImage::Format_RGB32);
    if (image_.isNull()) throw EOutOfMemory("Out of memory");
    if (reduction_ > 1) {
      row_.resize(static_cast<size_t>(width));
      sums_.assign(static_cast<size_t>(outWidth) * 3, 0);
    }
  }

  // Where row y (width pixels) is to be written; Commit(y) takes it.
  QRgb* Row(int y) {
    if (reduction_ == 1) return reinterpret_cast<QRgb*>(image_.scanLine(y));
    return row_.data();
  }

  void Commit(int y) {
    if (reduction_ == 1) return;
    const QRgb* in = row_.data();
    uint32_t* sum = sums_.data();
    for (int x = 0; x < width_; sum += 3) {
      const int end = std::min(width_, x + reduction_);
      uint32_t red = 0, green = 0, blue = 0;
      for (; x < end; ++x) {
        red += (in[x] >> 16) & 0xFF;
        green += (in[x] >> 8) & 0xFF;
        blue += in[x] & 0xFF;
      }
      sum[0] += red;
      sum[1] += green;
      sum[2] += blue;
    }
    const bool blockEnds = (y + 1) % reduction_ == 0 || y + 1 == height_;
    if (!blockEnds) return;
    const int rows = y % reduction_ + 1;
    auto* out = reinterpret_cast<QRgb*>(image_.scanLine(y / reduction_));
    for (int ox = 0; ox < image_.width(); ++ox) {
      const int columns = std::min(reduction_, width_ - ox * reduction_);
      const uint32_t count = static_cast<uint32_t>(rows * columns);
      uint32_t* sum = &sums_[static_cast<size_t>(ox) * 3];
      out[ox] = qRgb(static_cast<int>((sum[0] + count / 2) / count),
                     static_cast<int>((sum[1] + count / 2) / count),
                     static_cast<int>((sum[2] + count / 2) / count));
      sum[0] = sum[1] = sum[2] = 0;
    }
  }

  QImage Take() { return std::move(image_); }

 private:
  int width_, height_, reduction_;
  QImage image_;
  std::vector<QRgb> row_;
  std::vector<uint32_t> sums_;
};

// Reads the rows of a section as opaque colours, and for indexed sections as indices.
class DibRowReader {
 public:
  explicit DibRowReader(const DibSection& dib) : dib_(dib) {
    colors_.fill(qRgb(0, 0, 0));  // indices beyond the table show black
    const size_t count = std::min<size_t>(dib.colors.size(), colors_.size());
    for (size_t i = 0; i < count; ++i) colors_[i] = FromEntry(dib.colors[i]);
    if (Indexed()) indices_.resize(static_cast<size_t>(dib.width));
  }

  bool Indexed() const { return dib_.bitCount <= 8; }
  // The indices of the last row read (indexed sections only).
  const uint8_t* Indices() const { return indices_.data(); }

  void Read(int y, QRgb* out) {
    const uint8_t* row = dib_.Row(y);
    const int width = dib_.width;
    const bool plainMasks = !dib_.masks[0] && !dib_.masks[1] && !dib_.masks[2];
    switch (dib_.bitCount) {
      case 1:
      case 4:
      case 8:
        ReadIndices(row);
        for (int x = 0; x < width; ++x) out[x] = colors_[indices_[x]];
        return;
      case 24:
        for (int x = 0; x < width; ++x, row += 3) out[x] = qRgb(row[2], row[1], row[0]);
        return;
      case 32:
        if (plainMasks) {
          for (int x = 0; x < width; ++x, row += 4) out[x] = qRgb(row[2], row[1], row[0]);
          return;
        }
        break;
      default:
        break;
    }
    for (int x = 0; x < width; ++x) out[x] = FromEntry(dib_.PixelColor(x, y));
  }

 private:
  void ReadIndices(const uint8_t* row) {
    const int width = dib_.width;
    switch (dib_.bitCount) {
      case 1:
        for (int x = 0; x < width; ++x) indices_[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        break;
      case 4:
        for (int x = 0; x < width; ++x) indices_[x] = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        break;
      default:
        std::copy(row, row + width, indices_.begin());
        break;
    }
  }

  const DibSection& dib_;
  std::array<QRgb, 256> colors_;
  std::vector<uint8_t> indices_;
};

TJPEGScale JpegScaleFor(int reduction) {
  switch (reduction) {
    case 8:
      return TJPEGScale::jsEighth;
    case 4:
      return TJPEGScale::jsQuarter;
    case 2:
      return TJPEGScale::jsHalf;
    default:
      return TJPEGScale::jsFullSize;
  }
}

QSize SizeOf(const TGraphic& graphic) {
  return {graphic.Width(), graphic.Height()};
}

}  // namespace

int PreviewReduction(QSize picture, QSize needed) {
  if (needed.width() <= 0 || needed.height() <= 0) return 1;
  const int reduction =
      std::min(picture.width() / needed.width(), picture.height() / needed.height());
  return std::clamp(reduction, 1, kMaxReduction);
}

int JpegPreviewReduction(QSize picture, QSize needed) {
  const int reduction = PreviewReduction(picture, needed);
  for (int scale : {8, 4, 2}) {
    if (reduction >= scale) return scale;
  }
  return 1;
}

QRgb BlendOver(QRgb picture, QRgb background, int alpha) {
  return qRgb(BlendChannel(qRed(picture), qRed(background), alpha),
              BlendChannel(qGreen(picture), qGreen(background), alpha),
              BlendChannel(qBlue(picture), qBlue(background), alpha));
}

QImage DibToImage(const DibSection& dib, int reduction) {
  if (dib.width <= 0 || dib.height <= 0) return {};
  DibRowReader reader(dib);
  ReducingImageWriter writer(dib.width, dib.height, reduction);
  for (int y = 0; y < dib.height; ++y) {
    reader.Read(y, writer.Row(y));
    writer.Commit(y);
  }
  return writer.Take();
}

QImage BitmapToImage(const TBitmap& bitmap, QRgb background, int reduction) {
  const std::shared_ptr<const DibSection> dib = bitmap.Dib();
  if (!dib || dib->width <= 0 || dib->height <= 0) return {};
  if (!bitmap.Transparent()) return DibToImage(*dib, reduction);
  // The colour drawn through the mask: a fixed one, or the bottom-left pixel's.
  const TColor fixed = bitmap.TransparentColor();
  const bool automatic =
      bitmap.GetTransparentMode() == TransparentMode::tmAuto || (fixed & 0xFF000000) != 0;
  const QRgb key = automatic ? FromEntry(dib->PixelColor(0, dib->height - 1)) : FromTColor(fixed);
  DibRowReader reader(*dib);
  ReducingImageWriter writer(dib->width, dib->height, reduction);
  for (int y = 0; y < dib->height; ++y) {
    QRgb* out = writer.Row(y);
    reader.Read(y, out);
    std::replace(out, out + dib->width, key, background);
    writer.Commit(y);
  }
  return writer.Take();
}

QImage PngToImage(const TPngPicture& png, QRgb background, int reduction) {
  const TChunkIHDR* header = png.Header();
  const std::shared_ptr<const DibSection> dib = png.WorkingForm();
  if (!header || !dib || dib->width <= 0 || dib->height <= 0) return {};
  const TPngTransparencyMode mode = png.TransparencyMode();
  const bool alphaPlane = header->HasAlpha();
  const bool byEntry =
      !alphaPlane && header->ColorType() == 3 && mode != TPngTransparencyMode::ptmNone;
  const bool byColor = !alphaPlane && !byEntry && mode == TPngTransparencyMode::ptmBit;
  const std::array<uint8_t, 256> entryAlpha = png.TransparencyValues();
  const QRgb key = byColor ? FromTColor(png.TransparentColor()) : 0;

  DibRowReader reader(*dib);
  ReducingImageWriter writer(dib->width, dib->height, reduction);
  const int width = dib->width;
  for (int y = 0; y < dib->height; ++y) {
    QRgb* out = writer.Row(y);
    reader.Read(y, out);
    if (alphaPlane) {
      const uint8_t* alpha = png.AlphaScanline(y);
      for (int x = 0; x < width; ++x) out[x] = BlendOver(out[x], background, alpha[x]);
    } else if (byEntry) {
      const uint8_t* index = reader.Indices();
      for (int x = 0; x < width; ++x) {
        out[x] = BlendOver(out[x], background, entryAlpha[index[x]]);
      }
    } else if (byColor) {
      std::replace(out, out + width, key, background);
    }
    writer.Commit(y);
  }
  return writer.Take();
}

QImage DecodedToImage(const TDecodedPicture& picture, QRgb background, int reduction) {
  const std::shared_ptr<const DibSection> dib = picture.Bitmap().Dib();
  if (!dib || dib->width <= 0 || dib->height <= 0) return {};
  if (!picture.HasAlpha()) return DibToImage(*dib, reduction);
  DibRowReader reader(*dib);
  ReducingImageWriter writer(dib->width, dib->height, reduction);
  for (int y = 0; y < dib->height; ++y) {
    QRgb* out = writer.Row(y);
    reader.Read(y, out);
    const uint8_t* alpha = picture.AlphaScanline(y);
    for (int x = 0; x < dib->width; ++x) out[x] = BlendOver(out[x], background, alpha[x]);
    writer.Commit(y);
  }
  return writer.Take();
}

QImage JpegToImage(const TJPEGImage& jpeg, int reduction) {
  // A copy shares the compressed bytes; its scale and decoding are its own.
  TJPEGImage decoder;
  decoder.CopyGraphic(&jpeg);
  decoder.DecodeScale = JpegScaleFor(reduction);
  if (std::unique_ptr<TRowSource> rows = decoder.RowStream()) {
    const int width = rows->Width();
    const int height = rows->Height();
    if (width <= 0 || height <= 0) return {};
    ReducingImageWriter writer(width, height, 1);
    for (int y = 0; y < height; ++y) {
      const uint8_t* in = rows->Row(y);
      QRgb* out = writer.Row(y);
      for (int x = 0; x < width; ++x, in += 3) out[x] = qRgb(in[2], in[1], in[0]);
    }
    return writer.Take();
  }
  // Already decoded (the copy shares those pixels) or decoded another way.
  const std::shared_ptr<const DibSection> dib = decoder.Bitmap().Dib();
  return dib ? DibToImage(*dib, 1) : QImage();
}

QImage GraphicToImage(const TGraphic& graphic, QRgb background, QSize needed) {
  if (graphic.IsEmpty()) return {};
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&graphic)) {
    return JpegToImage(*jpeg, JpegPreviewReduction(SizeOf(graphic), needed));
  }
  const int reduction = PreviewReduction(SizeOf(graphic), needed);
  if (const auto* png = dynamic_cast<const TPngPicture*>(&graphic)) {
    return PngToImage(*png, background, reduction);
  }
  if (const auto* decoded = dynamic_cast<const TDecodedPicture*>(&graphic)) {
    return DecodedToImage(*decoded, background, reduction);
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic)) {
    return BitmapToImage(*bitmap, background, reduction);
  }
  return {};
}

}  // namespace velora::app
