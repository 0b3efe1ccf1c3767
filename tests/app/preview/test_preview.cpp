// The preview: the banner first, pictures of every reader drawn as their formats say,
// fitted into the view, hidpi drawing, failed loads, and the conversion's repaint.
#include <gtest/gtest.h>

#include <libheif/heif.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "jpeg/jpeg.h"
#include "png_builder.h"
#include "preview/PreviewImage.h"
#include "preview_fixtures.h"
#include "test_util.h"

using namespace velora;
using velora::app::TPreviewImage;
using velora::test::At;
using velora::test::Grab;
using Bytes = std::vector<uint8_t>;

namespace {

const QRgb kBackground = qRgb(40, 90, 160);
const QRgb kA = qRgb(200, 100, 0);
const QRgb kB = qRgb(10, 220, 60);
constexpr int kW = 40, kH = 20;  // the test pictures: left half and right half

std::unique_ptr<TPreviewImage> MakePreview(QSize size, bool stretch = true) {
  auto preview = std::make_unique<TPreviewImage>();
  QPalette palette = preview->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(kBackground));
  preview->setPalette(palette);
  preview->resize(size);
  preview->SetStretch(stretch);
  return preview;
}

Bytes BytesOf(TGraphic& graphic) {
  TMemoryStream stream;
  graphic.SaveToStream(stream);
  return stream.Bytes();
}

// A 24-bit bitmap, each pixel's colour given by `color`.
void Fill24(TBitmap& bitmap, int width, int height, const std::function<QRgb(int, int)>& color) {
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < width; ++x) {
      const QRgb c = color(x, y);
      row[3 * x] = static_cast<uint8_t>(qBlue(c));
      row[3 * x + 1] = static_cast<uint8_t>(qGreen(c));
      row[3 * x + 2] = static_cast<uint8_t>(qRed(c));
    }
  }
}

QRgb Halves(int x, int /*y*/) {
  return x < kW / 2 ? kA : kB;
}

Bytes Bmp24Halves() {
  TBitmap bitmap;
  Fill24(bitmap, kW, kH, Halves);
  return BytesOf(bitmap);
}

Bytes Bmp8Halves() {
  TBitmap bitmap;
  bitmap.SetPixelDepth(PixelDepth::pf8bit);
  bitmap.SetSize(kW, kH);
  TColorTable colors(256);
  colors[3] = {static_cast<uint8_t>(qBlue(kA)), static_cast<uint8_t>(qGreen(kA)),
               static_cast<uint8_t>(qRed(kA)), 0};
  colors[7] = {static_cast<uint8_t>(qBlue(kB)), static_cast<uint8_t>(qGreen(kB)),
               static_cast<uint8_t>(qRed(kB)), 0};
  bitmap.SetColorTable(colors);
  for (int y = 0; y < kH; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < kW; ++x) row[x] = x < kW / 2 ? 3 : 7;
  }
  return BytesOf(bitmap);
}

Bytes JpegHalves() {
  TBitmap bitmap;
  Fill24(bitmap, kW, kH, Halves);
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  jpeg.EncodeQuality = 95;
  return BytesOf(jpeg);
}

// A PNG whose left half has the samples `left` and right half `right` (one per channel).
Bytes PngHalves(int colorType, const std::vector<uint16_t>& left,
                const std::vector<uint16_t>& right, const std::vector<test::PngChunk>& extra = {}) {
  test::PngImage image{kW, kH, 8, colorType, {}};
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const auto& samples = x < kW / 2 ? left : right;
      image.samples.insert(image.samples.end(), samples.begin(), samples.end());
    }
  }
  return test::MakePng(image, extra);
}

Bytes Rgb(QRgb c) {
  return {static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
          static_cast<uint8_t>(qBlue(c))};
}

test::PngChunk Palette(QRgb first, QRgb second) {
  Bytes data = Rgb(first);
  const Bytes more = Rgb(second);
  data.insert(data.end(), more.begin(), more.end());
  return {"PLTE", data};
}

std::vector<uint16_t> Samples(QRgb c) {
  return {static_cast<uint16_t>(qRed(c)), static_cast<uint16_t>(qGreen(c)),
          static_cast<uint16_t>(qBlue(c))};
}

Bytes GifHalves(int transparent) {
  test::GifLayout gif;
  gif.width = kW;
  gif.height = kH;
  gif.globalMap = {{200, 100, 0}, {10, 220, 60}, {255, 255, 255}};
  test::GifFrameLayout first = test::SolidFrame(0, 0, kW, kH, 0);
  for (int y = 0; y < kH; ++y) {
    for (int x = kW / 2; x < kW; ++x) first.pixels[static_cast<size_t>(y * kW + x)] = 1;
  }
  first.transparent = transparent;
  gif.frames.push_back(first);
  gif.frames.push_back(test::SolidFrame(0, 0, kW, kH, 2));  // never shown before a step
  return test::MakeGif(gif);
}

Bytes GifSmallFirstFrame() {
  test::GifLayout gif;
  gif.width = kW;
  gif.height = kH;
  gif.globalMap = {{200, 100, 0}, {10, 220, 60}};
  gif.frames.push_back(test::SolidFrame(0, 0, kW / 2, kH, 0));
  return test::MakeGif(gif);
}

// The halves as red, green, blue, alpha, with an alpha for each half.
Bytes RgbaHalves(int leftAlpha, int rightAlpha) {
  Bytes rgba;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const QRgb c = Halves(x, y);
      rgba.insert(rgba.end(), {static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
                               static_cast<uint8_t>(qBlue(c)),
                               static_cast<uint8_t>(x < kW / 2 ? leftAlpha : rightAlpha)});
    }
  }
  return rgba;
}

Bytes WebpHalves() {
  const Bytes rgba = RgbaHalves(0, 200);
  uint8_t* out = nullptr;
  const size_t size = WebPEncodeLosslessRGBA(rgba.data(), kW, kH, kW * 4, &out);
  Bytes file(out, out + size);
  WebPFree(out);
  return file;
}

Bytes TiffHalves() {
  const test::TempDir dir;
  const std::string path = dir.Path("halves.tif");
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kW);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kH);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  const Bytes rgba = RgbaHalves(255, 255);
  for (int y = 0; y < kH; ++y) {
    Bytes row;
    for (int x = 0; x < kW; ++x) {
      const uint8_t* p = &rgba[static_cast<size_t>(y * kW + x) * 4];
      row.insert(row.end(), p, p + 3);
    }
    TIFFWriteScanline(tiff, row.data(), y, 0);
  }
  TIFFClose(tiff);
  return test::ReadBytes(path);
}

heif_error AppendBytes(heif_context*, const void* data, size_t size, void* out) {
  auto* bytes = static_cast<Bytes*>(out);
  bytes->insert(bytes->end(), static_cast<const uint8_t*>(data),
                static_cast<const uint8_t*>(data) + size);
  return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

Bytes HeifHalves(heif_compression_format codec) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(context, codec, &encoder);
  heif_encoder_set_lossy_quality(encoder, 95);
  heif_image* image = nullptr;
  heif_image_create(kW, kH, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &image);
  heif_image_add_plane(image, heif_channel_interleaved, kW, kH, 8);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  const Bytes rgba = RgbaHalves(255, 0);
  for (int y = 0; y < kH; ++y) {
    std::copy_n(&rgba[static_cast<size_t>(y) * kW * 4], kW * 4, plane + y * stride);
  }
  heif_context_encode_image(context, image, encoder, nullptr, nullptr);
  Bytes file;
  heif_writer writer{1, &AppendBytes};
  heif_context_write(context, &writer, &file);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return file;
}

struct FormatCase {
  const char* name;
  const char* fileName;
  std::function<Bytes()> bytes;
  QRgb left, right;
  int tolerance = 0;
};

void ExpectColor(QRgb actual, QRgb expected, int tolerance, const std::string& where) {
  EXPECT_NEAR(qRed(actual), qRed(expected), tolerance) << where;
  EXPECT_NEAR(qGreen(actual), qGreen(expected), tolerance) << where;
  EXPECT_NEAR(qBlue(actual), qBlue(expected), tolerance) << where;
}

}  // namespace

TEST(PreviewImage, ShowsTheBannerBeforeAnyPicture) {
  auto preview = MakePreview({400, 300}, /*stretch=*/false);
  EXPECT_TRUE(preview->ShowsBanner());
  const QImage shown = Grab(*preview);
  // 348 x 230 in the middle of 400 x 300: from (26, 35) to (373, 264).
  EXPECT_EQ(At(shown, 10, 150), kBackground);
  EXPECT_EQ(At(shown, 390, 150), kBackground);
  EXPECT_EQ(At(shown, 200, 20), kBackground);
  EXPECT_EQ(At(shown, 200, 280), kBackground);
  EXPECT_NE(At(shown, 40, 150), kBackground);
  EXPECT_NE(At(shown, 360, 250), kBackground);
  EXPECT_NE(At(shown, 200, 150), kBackground);
}

TEST(PreviewImage, DrawsEveryReadersPictureAsItsFormatSays) {
  const QRgb bg = kBackground;
  const std::vector<FormatCase> cases = {
      {"24-bit bitmap", "a.bmp", Bmp24Halves, kA, kB},
      {"palette bitmap", "a.bmp", Bmp8Halves, kA, kB},
      {"JPEG", "a.jpg", JpegHalves, kA, kB, 8},
      {"PNG RGB, opaque", "a.png", [] { return PngHalves(2, Samples(kA), Samples(kB)); }, kA, kB},
      {"PNG RGB, one colour transparent", "a.png",
       [] {
         return PngHalves(2, Samples(kA), Samples(kB), {{"tRNS", {0, 10, 0, 220, 0, 60}}});
       },
       kA, bg},
      {"PNG gray, one gray transparent", "a.png",
       [] {
         return PngHalves(0, {30}, {220}, {{"tRNS", {0, 220}}});
       },
       qRgb(30, 30, 30), bg},
      // The entry made transparent is; an opaque entry of the same colour is not.
      {"PNG palette, one entry transparent", "a.png",
       [] {
         return PngHalves(3, {0}, {1}, {Palette(kA, kA), {"tRNS", {0}}});
       },
       bg, kA},
      // One entry half transparent, none clear: that entry blends, black stays black.
      {"PNG palette, one entry half transparent", "a.png",
       [] {
         return PngHalves(3, {0}, {1}, {Palette(kA, qRgb(0, 0, 0)), {"tRNS", {128}}});
       },
       qRgb(120, 95, 80), qRgb(0, 0, 0)},
      {"PNG palette, transparency per entry", "a.png",
       [] {
         return PngHalves(3, {0}, {1}, {Palette(kA, kB), {"tRNS", {128, 64}}});
       },
       qRgb(120, 95, 80), qRgb(33, 123, 135)},
      {"PNG RGB with alpha", "a.png",
       [] {
         auto left = Samples(kA), right = Samples(kB);
         left.push_back(0);
         right.push_back(200);
         return PngHalves(6, left, right);
       },
       bg, qRgb(17, 192, 82)},
      {"PNG gray with alpha", "a.png",
       [] {
         return PngHalves(4, {100, 255}, {0, 77});
       },
       qRgb(100, 100, 100), qRgb(28, 63, 112)},
      {"GIF, first frame", "a.gif", [] { return GifHalves(-1); }, kA, kB},
      {"GIF, transparent index", "a.gif", [] { return GifHalves(1); }, kA, bg},
      {"GIF, first frame smaller than the screen", "a.gif", GifSmallFirstFrame, kA, bg},
      // The readers over format libraries: alpha blended as a PNG's is.
      {"WebP with alpha", "a.webp", WebpHalves, bg, qRgb(17, 192, 82)},
      {"TIFF", "a.TIF", TiffHalves, kA, kB},
      {"HEIC with alpha", "a.heic", [] { return HeifHalves(heif_compression_HEVC); }, kA, bg, 12},
      {"AVIF with alpha", "a.avif", [] { return HeifHalves(heif_compression_AV1); }, kA, bg, 12},
  };
  test::TempDir dir;
  for (const FormatCase& c : cases) {
    auto preview = MakePreview({kW, kH});
    const std::string path = dir.Write(c.fileName, c.bytes());
    ASSERT_NO_THROW(LoadPictureFile(preview->Picture(), path)) << c.name;
    EXPECT_FALSE(preview->ShowsBanner());
    const QImage shown = Grab(*preview);
    ASSERT_EQ(shown.size(), QSize(kW, kH));
    for (int y : {2, kH / 2, kH - 3}) {
      ExpectColor(At(shown, 6, y), c.left, c.tolerance, std::string(c.name) + " left");
      ExpectColor(At(shown, kW - 7, y), c.right, c.tolerance, std::string(c.name) + " right");
    }
  }
}

TEST(PreviewImage, FitsPicturesIntoTheView) {
  struct Case {
    const char* name;
    QSize picture, view;
    bool stretch;
    std::vector<QPoint> inside, outside;
  };
  const std::vector<Case> cases = {
      {"small, natural size",
       {20, 10},
       {200, 100},
       false,
       {{91, 46}, {108, 53}},
       {{89, 50}, {111, 50}, {100, 44}, {100, 56}}},
      {"small, enlarged", {20, 10}, {200, 100}, true, {{1, 1}, {198, 98}}, {}},
      {"wide, shrunk", {400, 100}, {200, 100}, false, {{1, 26}, {198, 73}}, {{100, 23}, {100, 76}}},
      {"tall, shrunk", {50, 200}, {200, 100}, true, {{88, 1}, {111, 98}}, {{86, 50}, {113, 50}}},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    auto preview = MakePreview(c.view, c.stretch);
    TBitmap bitmap;
    Fill24(bitmap, c.picture.width(), c.picture.height(), [](int, int) { return kA; });
    LoadPictureFile(preview->Picture(), dir.Write("p.bmp", BytesOf(bitmap)));
    const QImage shown = Grab(*preview);
    for (QPoint p : c.inside) EXPECT_EQ(At(shown, p.x(), p.y()), kA) << c.name << " " << p.x();
    for (QPoint p : c.outside) {
      EXPECT_EQ(At(shown, p.x(), p.y()), kBackground) << c.name << " " << p.x() << "," << p.y();
    }
  }
}

TEST(PreviewImage, DrawsDevicePixelsAtTwiceTheScale) {
  // A one-pixel checkerboard of 100 x 100 in a 50 x 50 view at 200 %: each picture pixel
  // lands on one device pixel, so neighbours stay black and white instead of blurring.
  test::TempDir dir;
  auto preview = MakePreview({50, 50});
  TBitmap bitmap;
  Fill24(bitmap, 100, 100,
         [](int x, int y) { return (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); });
  LoadPictureFile(preview->Picture(), dir.Write("c.bmp", BytesOf(bitmap)));
  QImage device(100, 100, QImage::Format_RGB32);
  device.setDevicePixelRatio(2);
  preview->render(&device);
  for (int x = 10; x < 14; ++x) {
    EXPECT_EQ(At(device, x, 20), (x + 20) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0)) << x;
  }
}

TEST(PreviewImage, AFailedLoadKeepsThePictureShown) {
  test::TempDir dir;
  auto preview = MakePreview({kW, kH});
  LoadPictureFile(preview->Picture(), dir.Write("good.bmp", Bmp24Halves()));
  Grab(*preview);
  const std::string notPng = dir.Write("bad.png", std::string("not a picture at all"));
  EXPECT_ANY_THROW(LoadPictureFile(preview->Picture(), notPng));
  EXPECT_ANY_THROW(LoadPictureFile(preview->Picture(), dir.Write("photo.jp", Bmp24Halves())));
  const QImage shown = Grab(*preview);
  EXPECT_EQ(At(shown, 6, 10), kA);
  EXPECT_EQ(At(shown, kW - 7, 10), kB);

  auto fresh = MakePreview({400, 300});
  EXPECT_ANY_THROW(LoadPictureFile(fresh->Picture(), notPng));
  EXPECT_TRUE(fresh->ShowsBanner());
}

namespace {
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};
}  // namespace

TEST(PreviewImage, RepaintNowPaintsOncePerPicture) {
  test::TempDir dir;
  auto preview = MakePreview({200, 100});
  PaintCounter counter;
  preview->installEventFilter(&counter);
  preview->show();
  QApplication::processEvents();
  const std::vector<std::string> files = {
      dir.Write("a.bmp", Bmp24Halves()),
      dir.Write("b.png", PngHalves(2, Samples(kA), Samples(kB)))};
  for (const std::string& file : files) {
    counter.paints = 0;
    LoadPictureFile(preview->Picture(), file);
    preview->RepaintNow();  // no events run in between, as inside a conversion
    EXPECT_EQ(counter.paints, 1) << file;
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1) << file;
  }
}

TEST(PreviewImage, LeavesAJpegAsTheConversionReadsIt) {
  // A picture much larger than the view is decoded for the preview at a reduced scale by
  // a decoder of its own; the loaded picture keeps its size and decodes nothing.
  test::TempDir dir;
  TBitmap bitmap;
  test::FillPattern(bitmap, 1600, 1200, 7);
  TJPEGImage source;
  source.CopyGraphic(&bitmap);
  const std::string path = dir.Write("big.jpg", BytesOf(source));

  auto preview = MakePreview({200, 150});
  LoadPictureFile(preview->Picture(), path);
  const QImage shown = Grab(*preview);
  const auto* jpeg = dynamic_cast<const TJPEGImage*>(preview->Picture().Graphic());
  ASSERT_NE(jpeg, nullptr);
  EXPECT_FALSE(jpeg->HasBitmap());
  EXPECT_EQ(jpeg->DecodeScale, TJPEGScale::jsFullSize);
  EXPECT_EQ(jpeg->Width(), 1600);
  EXPECT_EQ(jpeg->Height(), 1200);

  // What shows is the picture: the corners' colours, averaged a little by the scaling.
  TBitmap reference;
  reference.CopyGraphic(jpeg);
  auto color = [&](int x, int y) {
    const uint8_t* p = reference.ConstRowAddress(y) + 3 * x;
    return qRgb(p[2], p[1], p[0]);
  };
  ExpectColor(At(shown, 100, 75), color(800, 600), 40, "middle");
  EXPECT_NE(At(shown, 0, 0), kBackground);
  EXPECT_NE(At(shown, 199, 149), kBackground);
}
