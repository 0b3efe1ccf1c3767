// What the conversion writes in each format: the file read back by its own library, with
// its size, alpha and profile; transparency laid over white for JPEG and kept, with clean
// edges, for PNG and WebP; opaque pictures on the very path they always took.
#include <gtest/gtest.h>
#include <png.h>
#include <webp/decode.h>

#include <cstring>

#include "jobs/convert.h"
#include "jobs/transparency.h"
#include "jpeg/jpeg.h"
#include "jpeg/jpeg_codec.h"
#include "png/pngread.h"
#include "png_builder.h"
#include "resample/resample.h"
#include "test_util.h"
#include "util/TarnoTPU.h"

using namespace velora;
using namespace velora::test;

namespace {

// The smallest profile libpng accepts: an RGB display profile with no tags.
Bytes MinimalIccProfile() {
  Bytes p(132, 0);
  auto put32 = [&p](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  };
  put32(0, 132);
  put32(8, 0x02100000);  // version 2.1
  std::memcpy(&p[12], "mntrRGB XYZ ", 12);
  std::memcpy(&p[36], "acsp", 4);
  put32(68, 0x0000F6D6);  // the D50 illuminant
  put32(72, 0x00010000);
  put32(76, 0x0000D32D);
  return p;
}

// An RGBA picture: `pixel`(x, y) gives red, green, blue, alpha.
template <class F>
PngImage Rgba(int w, int h, F pixel) {
  PngImage image{w, h, 8, 6, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::array<uint16_t, 4> p = pixel(x, y);
      image.samples.insert(image.samples.end(), p.begin(), p.end());
    }
  }
  return image;
}

// A disc of the colour on a clear background whose pixels store `hidden`.
PngImage Disc(int size, std::array<uint16_t, 3> color, std::array<uint16_t, 3> hidden) {
  return Rgba(size, size, [=](int x, int y) -> std::array<uint16_t, 4> {
    const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
    if (dx * dx + dy * dy <= size * size / 9.0) return {color[0], color[1], color[2], 255};
    return {hidden[0], hidden[1], hidden[2], 0};
  });
}

struct Decoded {
  int width = 0, height = 0;
  bool alpha = false;
  std::vector<uint8_t> rgba;  // top row first
  uint8_t At(int x, int y, int channel) const {
    return rgba[4 * (size_t(y) * width + x) + channel];
  }
};

Decoded ReadPngBack(const Bytes& bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Decoded d;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return d;
  d.alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  image.format = PNG_FORMAT_RGBA;
  d.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, d.rgba.data(), 0, nullptr)) return {};
  d.width = static_cast<int>(image.width);
  d.height = static_cast<int>(image.height);
  return d;
}

Decoded ReadWebpBack(const Bytes& bytes) {
  WebPBitstreamFeatures features;
  Decoded d;
  if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK) return d;
  uint8_t* rgba = WebPDecodeRGBA(bytes.data(), bytes.size(), &d.width, &d.height);
  if (!rgba) return {};
  d.alpha = features.has_alpha;
  d.rgba.assign(rgba, rgba + 4 * size_t(d.width) * d.height);
  WebPFree(rgba);
  return d;
}

Decoded ReadJpegBack(const std::string& path) {
  TJPEGImage jpeg;
  jpeg.LoadFile(path);
  const TBitmap& bitmap = jpeg.Bitmap();
  Decoded d{bitmap.Width(), bitmap.Height(), false, {}};
  for (int y = 0; y < d.height; ++y) {
    const uint8_t* row = bitmap.ConstRowAddress(y);
    for (int x = 0; x < d.width; ++x)
      d.rgba.insert(d.rgba.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x], 255});
  }
  return d;
}

// Whether a RIFF (WebP) or PNG file has a chunk of the type.
bool HasChunk(const Bytes& bytes, const char* type) {
  const bool riff = bytes.size() > 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0;
  for (size_t at = riff ? 12 : 8; at + 8 <= bytes.size();) {
    const uint8_t* p = &bytes[at];
    const size_t length = riff ? (p[4] | p[5] << 8 | p[6] << 16 | size_t(p[7]) << 24)
                               : (size_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
    if (std::memcmp(riff ? p : p + 4, type, 4) == 0) return true;
    at += riff ? 8 + length + (length & 1) : 12 + length;
  }
  return false;
}

ConvertResult Convert(const ResizeSettings& s, const std::string& source, const std::string& out,
                      RunOutputs* outputs = nullptr) {
  TPicture preview;
  ConvertHooks hooks;
  return ConvertImage(s, source, out, preview, hooks, 1, outputs);
}

}  // namespace

TEST(OutputFormats, EachFormatReadsBackWithItsSizeAlphaAndProfile) {
  TempDir dir;
  const Bytes profile = MinimalIccProfile();
  const std::string opaque =
      dir.Write("opaque.png", MakePng(Rgba(40, 30,
                                           [](int x, int y) -> std::array<uint16_t, 4> {
                                             return {uint16_t(x * 6), uint16_t(y * 8), 90, 255};
                                           }),
                                      {{"iCCP", [&] {
                                          Bytes data{'s', 'R', 'G', 'B', 0, 0};
                                          const Bytes z = Deflate(profile);
                                          data.insert(data.end(), z.begin(), z.end());
                                          return data;
                                        }()}}));
  const std::string clear = dir.Write("clear.png", MakePng(Disc(40, {255, 0, 0}, {0, 0, 255})));
  const std::string out = dir.Path("Output/");
  ForceFolder(out);
  struct Case {
    OutputFormat format;
    const std::string& source;
    const char* written;
    bool alpha;
  } cases[] = {
      {OutputFormat::Jpeg, opaque, "opaque.jpg", false},
      {OutputFormat::Png, opaque, "opaque.png", false},
      {OutputFormat::Webp, opaque, "opaque.webp", false},
      {OutputFormat::Jpeg, clear, "clear.jpg", false},
      {OutputFormat::Png, clear, "clear.png", true},
      {OutputFormat::Webp, clear, "clear.webp", true},
      {OutputFormat::Same, opaque, "opaque.png", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    ResizeSettings s;  // decrease by 2
    s.Format = c.format;
    const ConvertResult r = Convert(s, c.source, out);
    ASSERT_EQ(r.SavedAs, out + c.written);
    const Bytes bytes = ReadBytes(r.SavedAs);
    const bool png = r.SavedAs.ends_with(".png"), webp = r.SavedAs.ends_with(".webp");
    const Decoded d = png    ? ReadPngBack(bytes)
                      : webp ? ReadWebpBack(bytes)
                             : ReadJpegBack(r.SavedAs);
    EXPECT_EQ(d.width, 20);
    EXPECT_GE(d.height, 15);
    EXPECT_EQ(d.alpha, c.alpha);
    const bool withProfile = &c.source == &opaque;
    if (png || webp) {
      EXPECT_EQ(HasChunk(bytes, png ? "iCCP" : "ICCP"), withProfile);
    }
    if (!png && !webp) {
      TJPEGImage jpeg;
      jpeg.LoadFile(r.SavedAs);
      EXPECT_EQ(jpeg.ColorProfile(), withProfile ? profile : Bytes{});
    }
  }
}

TEST(OutputFormats, SameAsThePictureAndExtensions) {
  struct Case {
    OutputFormat format;
    const char* source;
    const char* expected;
  } cases[] = {
      {OutputFormat::Jpeg, "/p/a.png", "/p/Output/a.jpg"},
      {OutputFormat::Png, "/p/a.jpg", "/p/Output/a.png"},
      {OutputFormat::Webp, "/p/a.gif", "/p/Output/a.webp"},
      {OutputFormat::Same, "/p/a.JPEG", "/p/Output/a.jpg"},
      {OutputFormat::Same, "/p/a.Png", "/p/Output/a.png"},
      {OutputFormat::Same, "/p/a.webp", "/p/Output/a.webp"},
      {OutputFormat::Same, "/p/a.gif", "/p/Output/a.jpg"},
      {OutputFormat::Same, "/p/a.bmp", "/p/Output/a.jpg"},
  };
  for (const Case& c : cases) {
    ResizeSettings s;
    s.Format = c.format;
    EXPECT_EQ(OutputName(s, c.source, "/p/Output/"), c.expected) << c.source;
  }
  ResizeSettings named;
  named.Format = OutputFormat::Webp;
  named.AddFilterName = true;
  EXPECT_EQ(OutputName(named, "/p/cat.png", "/p/Output/"), "/p/Output/cat Mitchell.webp");
}

TEST(Transparency, OverWhiteIsExactForEveryAlpha) {
  TBitmap bitmap;
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(256, 3);
  std::vector<uint8_t> alpha;
  const uint8_t colours[3] = {0, 77, 255};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 256; ++x) {
      std::memset(bitmap.RowAddress(y) + 3 * x, colours[y], 3);
      alpha.push_back(static_cast<uint8_t>(x));
    }
  }
  LayOverWhite(bitmap, alpha);
  for (int y = 0; y < 3; ++y) {
    for (unsigned a = 0; a < 256; ++a) {
      const unsigned expected = (colours[y] * a + 255 * (255 - a) + 127) / 255;
      ASSERT_EQ(bitmap.ConstRowAddress(y)[3 * a + 1], expected)
          << "c " << int(colours[y]) << " a " << a;
    }
  }
}

// A red disc whose clear background stores blue becomes exactly: the disc laid over white,
// resampled and encoded, as every other JPEG is made; no blue anywhere.
TEST(Transparency, JpegIsTheDiscOverWhiteByteForByte) {
  TempDir dir;
  const std::string source = dir.Write("disc.png", MakePng(Disc(60, {255, 0, 0}, {0, 0, 255})));
  ForceFolder(dir.Path("Output/"));
  const ConvertResult r = Convert(ResizeSettings{}, source, dir.Path("Output/"));
  ASSERT_FALSE(r.SavedAs.empty());

  TPngPicture png;
  png.LoadFile(source);
  TBitmap laid;
  laid.CopyGraphic(&png);
  laid.SetPixelDepth(PixelDepth::pf24bit);
  LayOverWhite(laid, png.AlphaPlane());
  TBitmap target;
  target.SetPixelDepth(PixelDepth::pf24bit);
  target.SetSize(30, 30);
  ResampleGraphic(laid, target, FilterTable[6].Kernel, FilterTable[6].Support);
  EXPECT_EQ(ReadBytes(r.SavedAs), EncodeJpegBytes(target, 74, false, false));

  const Decoded d = ReadJpegBack(r.SavedAs);
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < d.width; ++x) {
      EXPECT_LT(int(d.At(x, y, 2)) - std::max(d.At(x, y, 0), d.At(x, y, 1)), 24) << x << "," << y;
    }
  }
}

// A white disc on a clear black background shrunk by 3: every pixel that shows anything
// is white, as the disc blended with nothing is.
TEST(Transparency, PngAndWebpKeepAlphaWithCleanEdges) {
  TempDir dir;
  const std::string source = dir.Write("disc.png", MakePng(Disc(90, {255, 255, 255}, {0, 0, 0})));
  ForceFolder(dir.Path("Output/"));
  for (OutputFormat format : {OutputFormat::Png, OutputFormat::Webp}) {
    ResizeSettings s;
    s.FactorWhole = 3;
    s.Format = format;
    s.Quality = 95;
    const ConvertResult r = Convert(s, source, dir.Path("Output/"));
    ASSERT_FALSE(r.SavedAs.empty());
    const Bytes bytes = ReadBytes(r.SavedAs);
    const bool png = format == OutputFormat::Png;
    const Decoded d = png ? ReadPngBack(bytes) : ReadWebpBack(bytes);
    ASSERT_EQ(d.width, 30);
    int rim = 0;
    for (int y = 0; y < d.height; ++y) {
      for (int x = 0; x < d.width; ++x) {
        const uint8_t a = d.At(x, y, 3);
        if (a > 0 && a < 255) ++rim;
        // WebP is lossy: its colours may stray a little, but never towards black.
        if (png ? a > 0 : a >= 64) {
          for (int c = 0; c < 3; ++c) ASSERT_GE(d.At(x, y, c), png ? 255 : 235) << x << "," << y;
        }
      }
    }
    EXPECT_GT(rim, 8);  // the edge is soft, not cut
    EXPECT_EQ(d.At(0, 0, 3), 0);
    EXPECT_EQ(d.At(15, 15, 3), 255);
  }
}

TEST(Transparency, AlphaPlaneOfEachKindOfPng) {
  const Bytes plte = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  struct Case {
    const char* name;
    PngImage image;
    std::vector<PngChunk> extra;
    std::vector<uint8_t> expected;  // empty: opaque
  } cases[] = {
      {"rgba",
       Rgba(2, 1,
            [](int x, int) -> std::array<uint16_t, 4> {
              return {1, 2, 3, uint16_t(x ? 9 : 255)};
            }),
       {},
       {255, 9}},
      {"rgba all opaque",
       Rgba(2, 1,
            [](int, int) -> std::array<uint16_t, 4> {
              return {1, 2, 3, 255};
            }),
       {},
       {}},
      {"palette with tRNS",
       PngImage{3, 1, 8, 3, {0, 1, 2}},
       {{"PLTE", plte}, {"tRNS", {0, 128}}},
       {0, 128, 255}},
      {"rgb with tRNS",
       PngImage{2, 1, 8, 2, {5, 6, 7, 1, 2, 3}},
       {{"tRNS", {0, 5, 0, 6, 0, 7}}},
       {0, 255}},
      {"gray with tRNS", PngImage{2, 1, 8, 0, {200, 100}}, {{"tRNS", {0, 100}}}, {255, 0}},
      {"rgb", PngImage{2, 1, 8, 2, {5, 6, 7, 1, 2, 3}}, {}, {}},
  };
  for (const Case& c : cases) {
    const Bytes bytes = MakePng(c.image, c.extra);
    TBytesStream stream(bytes.data(), bytes.size());
    TPngPicture png;
    png.LoadFromStream(stream);
    EXPECT_EQ(png.AlphaPlane(), c.expected) << c.name;
  }
}

// An opaque picture, also one whose alpha channel is 255 everywhere, takes the plain path:
// the bytes of a picture without alpha.
TEST(Transparency, OpaqueAlphaGivesTheBytesOfNoAlpha) {
  TempDir dir;
  auto colour = [](int x, int y) -> std::array<uint16_t, 4> {
    return {uint16_t(x * 9 % 256), uint16_t(y * 13 % 256), uint16_t((x ^ y) & 255), 255};
  };
  PngImage rgb{31, 17, 8, 2, {}};
  const PngImage rgba = Rgba(31, 17, colour);
  for (size_t i = 0; i < rgba.samples.size(); ++i) {
    if (i % 4 != 3) rgb.samples.push_back(rgba.samples[i]);
  }
  ForceFolder(dir.Path("a/"));
  ForceFolder(dir.Path("b/"));
  const ConvertResult a =
      Convert(ResizeSettings{}, dir.Write("p.png", MakePng(rgb)), dir.Path("a/"));
  const ConvertResult b =
      Convert(ResizeSettings{}, dir.Write("q.png", MakePng(rgba)), dir.Path("b/"));
  ASSERT_FALSE(a.SavedAs.empty());
  EXPECT_EQ(ReadBytes(a.SavedAs), ReadBytes(b.SavedAs));
}
