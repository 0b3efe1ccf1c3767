// The TIFF reader: every colour type and sample depth libtiff reads, in strips and tiles,
// compressed or not, against the samples written (16-bit samples rounded to the nearest
// 8-bit value, alpha kept beside the colours); CMYK and JPEG-compressed YCbCr against
// libtiff's own decoding; the Orientation tag, the ICC profile, the first page only;
// damaged and huge files.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstring>

#include "decoded_picture_util.h"
#include "formats/formats.h"
#include "picture/orientation.h"
#include "test_util.h"
#include "tiff/tiffread.h"

using namespace velora;
using Bytes = std::vector<uint8_t>;
using test::RgbaOf;

namespace {

std::unique_ptr<TTiffPicture> Load(const Bytes& file) {
  return test::LoadBytes<TTiffPicture>(file);
}

enum class Alpha { kNone, kStraight, kPremultiplied };

struct TiffCase {
  const char* what = "";
  uint16_t bits = 8;
  uint16_t samples = 3;
  uint16_t photometric = PHOTOMETRIC_RGB;
  Alpha alpha = Alpha::kNone;
  uint16_t compression = COMPRESSION_NONE;
  bool tiled = false;
  int width = 37, height = 21;
  uint16_t orientation = 0;  // 0: no tag
  Bytes profile{};
};

uint32_t MaxOf(int bits) {
  return (1u << bits) - 1;
}

// The stored sample c of pixel (x, y): scattered values over the whole range. With
// premultiplied alpha the colours are scaled by the pixel's alpha (the last sample).
uint32_t Sample(const TiffCase& s, int x, int y, int c) {
  const uint32_t max = MaxOf(s.bits);
  auto raw = [&](int channel) {
    return (static_cast<uint32_t>(x * 37 + y * 71 + channel * 101 + 5) * 2654435761u >> 9) & max;
  };
  const int colours = s.alpha == Alpha::kNone ? s.samples : s.samples - 1;
  if (s.alpha == Alpha::kPremultiplied && c < colours) return raw(c) * raw(colours) / max;
  return raw(c);
}

uint8_t Nearest(uint32_t v, int bits) {
  return static_cast<uint8_t>(std::floor(v * 255.0 / MaxOf(bits) + 0.5));
}

// A palette of `1 << bits` entries, each 8-bit value widened to 16 bits exactly.
std::vector<uint16_t> Palette(int bits, int channel) {
  std::vector<uint16_t> map(size_t{1} << bits);
  for (size_t i = 0; i < map.size(); ++i)
    map[i] = static_cast<uint16_t>(((i * 53 + channel * 90) & 255) * 257);
  return map;
}

// Writes the picture with libtiff and returns the file's bytes; `pages` adds further
// pages of another size after the first->
Bytes WriteTiff(const TiffCase& s, const test::TempDir& dir, int pages = 1) {
  const std::string path = dir.Path("picture.tif");
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  for (int page = 0; page < pages; ++page) {
    const int width = s.width + page * 5, height = s.height + page * 3;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, s.compression);
    if (s.compression == COMPRESSION_JPEG) {
      TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 80);
      TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (s.alpha != Alpha::kNone) {
      const uint16_t kind =
          s.alpha == Alpha::kStraight ? EXTRASAMPLE_UNASSALPHA : EXTRASAMPLE_ASSOCALPHA;
      TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (s.photometric == PHOTOMETRIC_PALETTE) {
      const auto r = Palette(s.bits, 0), g = Palette(s.bits, 1), b = Palette(s.bits, 2);
      TIFFSetField(tiff, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    if (s.orientation) TIFFSetField(tiff, TIFFTAG_ORIENTATION, s.orientation);
    if (!s.profile.empty()) {
      TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(s.profile.size()),
                   s.profile.data());
    }
    // Rows packed as stored: samples of 8 or 16 bits whole, smaller ones from the top bit.
    const size_t rowBytes = (static_cast<size_t>(width) * s.samples * s.bits + 7) / 8;
    std::vector<Bytes> rows(static_cast<size_t>(height), Bytes(rowBytes, 0));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < s.samples; ++c) {
          const uint32_t v = Sample(s, x, y, c);
          const size_t i = static_cast<size_t>(x) * s.samples + c;
          if (s.bits == 16) {
            const uint16_t w = static_cast<uint16_t>(v);
            std::memcpy(&rows[y][i * 2], &w, 2);
          } else if (s.bits == 8) {
            rows[y][i] = static_cast<uint8_t>(v);
          } else {
            const size_t bit = i * s.bits;
            rows[y][bit / 8] |= static_cast<uint8_t>(v << (8 - s.bits - bit % 8));
          }
        }
      }
    }
    if (s.tiled) {
      const int tile = 16;
      TIFFSetField(tiff, TIFFTAG_TILEWIDTH, tile);
      TIFFSetField(tiff, TIFFTAG_TILELENGTH, tile);
      const size_t tileRow = static_cast<size_t>(tile) * s.samples * s.bits / 8;
      Bytes buffer(tileRow * tile);
      for (int ty = 0; ty < height; ty += tile) {
        for (int tx = 0; tx < width; tx += tile) {
          std::fill(buffer.begin(), buffer.end(), 0);
          for (int y = 0; y < tile && ty + y < height; ++y) {
            const size_t from = static_cast<size_t>(tx) * s.samples * s.bits / 8;
            const size_t n = std::min(tileRow, rowBytes - from);
            std::memcpy(&buffer[y * tileRow], &rows[ty + y][from], n);
          }
          TIFFWriteTile(tiff, buffer.data(), tx, ty, 0, 0);
        }
      }
    } else {
      TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
      for (int y = 0; y < height; ++y) TIFFWriteScanline(tiff, rows[y].data(), y, 0);
    }
    TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
  return test::ReadBytes(path);
}

// What the written samples mean as 8-bit red, green, blue, alpha.
Bytes Expected(const TiffCase& s) {
  Bytes out;
  const bool gray =
      s.photometric == PHOTOMETRIC_MINISBLACK || s.photometric == PHOTOMETRIC_MINISWHITE;
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      uint8_t rgba[4] = {0, 0, 0, 255};
      if (s.photometric == PHOTOMETRIC_PALETTE) {
        const uint32_t index = Sample(s, x, y, 0);
        for (int c = 0; c < 3; ++c) rgba[c] = static_cast<uint8_t>(Palette(s.bits, c)[index] >> 8);
      } else {
        for (int c = 0; c < 3; ++c) {
          uint32_t v = Sample(s, x, y, gray ? 0 : c);
          if (s.photometric == PHOTOMETRIC_MINISWHITE) v = MaxOf(s.bits) - v;
          rgba[c] = Nearest(v, s.bits);
        }
      }
      if (s.alpha != Alpha::kNone) {
        const uint32_t a = Sample(s, x, y, s.samples - 1);
        rgba[3] = Nearest(a, s.bits);
        if (s.alpha == Alpha::kPremultiplied) {
          // Stored multiplied by alpha; read back as the colours themselves.
          for (int c = 0; c < 3; ++c) {
            const uint32_t stored = rgba[c];
            rgba[c] = rgba[3] ? static_cast<uint8_t>(
                                    std::min<uint32_t>(255, (stored * 255 + rgba[3] / 2) / rgba[3]))
                              : 0;
          }
        }
      }
      out.insert(out.end(), rgba, rgba + 4);
    }
  }
  return out;
}

// libtiff's own decoding, top row first, as red, green, blue, alpha.
Bytes Reference(const Bytes& file, const test::TempDir& dir) {
  const std::string path = dir.Write("reference.tif", file);
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  uint32_t w = 0, h = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
  std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
  EXPECT_TRUE(TIFFReadRGBAImageOriented(tiff, w, h, raster.data(), ORIENTATION_TOPLEFT, 1));
  TIFFClose(tiff);
  Bytes out;
  for (uint32_t p : raster) {
    out.insert(out.end(), {static_cast<uint8_t>(TIFFGetR(p)), static_cast<uint8_t>(TIFFGetG(p)),
                           static_cast<uint8_t>(TIFFGetB(p)), 255});
  }
  return out;
}

// A little-endian RGB file of one uncompressed strip, its header made by hand: a size
// and a strip offset no writer would give (0 puts the strip right after the header).
Bytes RawTiff(uint32_t width, uint32_t height, uint32_t stripOffset) {
  const uint32_t stripBytes = 48;
  const uint16_t kShort = 3, kLong = 4;
  const struct {
    uint16_t tag, type;
    uint32_t value;
  } entries[] = {{256, kLong, width}, {257, kLong, height}, {258, kShort, 8},
                 {259, kShort, 1},    {262, kShort, 2},     {273, kLong, stripOffset},
                 {277, kShort, 3},    {278, kLong, height}, {279, kLong, stripBytes}};
  Bytes file = {'I', 'I', 42, 0, 8, 0, 0, 0};
  auto put = [&file](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) file.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const uint32_t dataAt = 8 + 2 + 12 * std::size(entries) + 4;
  put(static_cast<uint32_t>(std::size(entries)), 2);
  for (const auto& e : entries) {
    put(e.tag, 2);
    put(e.type, 2);
    put(1, 4);
    put(e.tag == 273 && e.value == 0 ? dataAt : e.value, 4);
  }
  put(0, 4);
  file.resize(file.size() + stripBytes, 0x80);
  return file;
}

}  // namespace

TEST(Tiff, EveryColourTypeAndDepthGivesItsColours) {
  const uint16_t kGray = PHOTOMETRIC_MINISBLACK, kRgb = PHOTOMETRIC_RGB;
  const TiffCase cases[] = {
      {"bilevel", 1, 1, kGray},
      {"bilevel, white is zero, PackBits", 1, 1, PHOTOMETRIC_MINISWHITE, Alpha::kNone,
       COMPRESSION_PACKBITS},
      {"gray 2-bit", 2, 1, kGray},
      {"gray 4-bit, tiles", 4, 1, kGray, Alpha::kNone, COMPRESSION_NONE, true},
      {"gray 8-bit, LZW", 8, 1, kGray, Alpha::kNone, COMPRESSION_LZW},
      {"gray 16-bit", 16, 1, kGray},
      {"gray 16-bit, tiles, Deflate", 16, 1, kGray, Alpha::kNone, COMPRESSION_ADOBE_DEFLATE, true},
      {"gray 16-bit, white is zero", 16, 1, PHOTOMETRIC_MINISWHITE},
      {"gray and alpha 8-bit", 8, 2, kGray, Alpha::kStraight},
      {"palette 2-bit", 2, 1, PHOTOMETRIC_PALETTE},
      {"palette 4-bit, tiles", 4, 1, PHOTOMETRIC_PALETTE, Alpha::kNone, COMPRESSION_NONE, true},
      {"palette 8-bit, PackBits", 8, 1, PHOTOMETRIC_PALETTE, Alpha::kNone, COMPRESSION_PACKBITS},
      {"RGB 8-bit", 8, 3, kRgb},
      {"RGB 8-bit, tiles, LZW", 8, 3, kRgb, Alpha::kNone, COMPRESSION_LZW, true},
      {"RGB 16-bit, Deflate", 16, 3, kRgb, Alpha::kNone, COMPRESSION_ADOBE_DEFLATE},
      {"RGBA 8-bit", 8, 4, kRgb, Alpha::kStraight},
      {"RGBA 8-bit premultiplied", 8, 4, kRgb, Alpha::kPremultiplied},
      {"RGBA 16-bit, tiles", 16, 4, kRgb, Alpha::kStraight, COMPRESSION_NONE, true},
  };
  test::TempDir dir;
  for (const TiffCase& s : cases) {
    SCOPED_TRACE(s.what);
    const auto picture = Load(WriteTiff(s, dir));
    ASSERT_EQ(picture->Width(), s.width);
    ASSERT_EQ(picture->Height(), s.height);
    EXPECT_EQ(picture->HasAlpha(), s.alpha != Alpha::kNone);
    EXPECT_EQ(RgbaOf(*picture), Expected(s));
  }
}

TEST(Tiff, CmykAndJpegYCbCrAgreeWithLibtiff) {
  TiffCase cmyk;
  cmyk.what = "CMYK 8-bit";
  cmyk.samples = 4;
  cmyk.photometric = PHOTOMETRIC_SEPARATED;
  TiffCase ycbcr;
  ycbcr.what = "YCbCr, JPEG";
  ycbcr.photometric = PHOTOMETRIC_YCBCR;
  ycbcr.compression = COMPRESSION_JPEG;
  ycbcr.width = 48;
  ycbcr.height = 32;
  test::TempDir dir;
  for (const TiffCase& s : {cmyk, ycbcr}) {
    SCOPED_TRACE(s.what);
    const Bytes file = WriteTiff(s, dir);
    const auto picture = Load(file);
    ASSERT_EQ(picture->Width(), s.width);
    EXPECT_FALSE(picture->HasAlpha());
    EXPECT_EQ(RgbaOf(*picture), Reference(file, dir));
  }
}

TEST(Tiff, OrientationProfileAndFirstPage) {
  test::TempDir dir;
  TiffCase plain;
  const Bytes asStored = RgbaOf(*Load(WriteTiff(plain, dir)));
  for (uint16_t orientation = 1; orientation <= 8; ++orientation) {
    TiffCase s;
    s.orientation = orientation;
    const auto picture = Load(WriteTiff(s, dir));
    EXPECT_EQ(picture->Orientation(), orientation);
    // The pixels stay as stored; turning them is the orientation's business.
    EXPECT_EQ(RgbaOf(*picture), asStored) << orientation;
    EXPECT_EQ(UprightWidth(*picture), SwapsSides(orientation) ? s.height : s.width);
  }
  TiffCase withProfile;
  withProfile.profile = Bytes(1500, 0x42);
  EXPECT_EQ(Load(WriteTiff(withProfile, dir))->ColorProfile(), withProfile.profile);
  EXPECT_TRUE(Load(WriteTiff(plain, dir))->ColorProfile().empty());
  const auto first = Load(WriteTiff(plain, dir, 3));
  EXPECT_EQ(first->Width(), plain.width);
  EXPECT_EQ(RgbaOf(*first), asStored);
}

TEST(Tiff, DamagedTruncatedAndHugeFilesAreRefused) {
  test::TempDir dir;
  TiffCase s;
  const Bytes good = WriteTiff(s, dir);
  const Bytes huge = RawTiff(100000, 100000, 0);
  const Bytes badOffset = RawTiff(4, 4, 0x7FFFFFF0u);
  test::ExpectRefused<TTiffPicture, ETiffError>({
      {"empty", {}},
      {"the header only", Bytes(good.begin(), good.begin() + 8)},
      {"cut inside the pixels", Bytes(good.begin(), good.begin() + good.size() / 3)},
      {"not a TIFF", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}},
      {"100000 x 100000", huge},
      {"strips beyond the end", badOffset},
  });
}

TEST(Tiff, LoadsThroughTheFormatTableWhateverTheCase) {
  test::TempDir dir;
  const Bytes file = WriteTiff(TiffCase{}, dir);
  for (const char* name : {"a.tif", "b.TIFF", "c.Tif"}) {
    TPicture picture;
    LoadPictureFile(picture, dir.Write(name, file));
    ASSERT_NE(picture.Graphic(), nullptr) << name;
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TTiffPicture") << name;
  }
}
