// The PNG reader: the colours of every layout, interlacing and filters, gamma,
// transparency, image data spread over chunks, every failure, and the public corpus.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "corpus.h"
#include "formats/formats.h"
#include "picture/picture.h"
#include "png/pngread.h"
#include "png_builder.h"
#include "test_util.h"

using namespace velora;
using namespace velora::test;

namespace {

std::unique_ptr<TPngPicture> Load(const Bytes& bytes) {
  auto png = std::make_unique<TPngPicture>();
  TBytesStream stream(bytes.data(), bytes.size());
  png->LoadFromStream(stream);
  return png;
}

std::unique_ptr<TPngPicture> LoadCorpus(const std::string& name) {
  auto png = std::make_unique<TPngPicture>();
  png->LoadFile(Corpus("png/" + name));
  return png;
}

// The pixels of the graphic's bitmap copy, top row first, as 0xRRGGBB.
std::vector<uint32_t> Pixels(const TGraphic& graphic) {
  TBitmap bitmap;
  bitmap.CopyGraphic(&graphic);
  EXPECT_EQ(bitmap.GetPixelDepth(), PixelDepth::pf24bit);
  std::vector<uint32_t> out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.ConstRowAddress(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      out.push_back(uint32_t{row[3 * x + 2]} << 16 | uint32_t{row[3 * x + 1]} << 8 | row[3 * x]);
    }
  }
  return out;
}

// The alpha plane, top row first; empty for pictures without one.
std::vector<uint8_t> Alpha(const TPngPicture& png) {
  std::vector<uint8_t> out;
  for (int y = 0; y < png.Height(); ++y) {
    const uint8_t* row = png.AlphaScanline(y);
    if (!row) return {};
    out.insert(out.end(), row, row + png.Width());
  }
  return out;
}

struct Failure {
  std::string className;
  std::string message;
};

// The class and text of the failure to load the bytes; "loaded" when they load.
Failure LoadFailure(const Bytes& bytes) {
  try {
    Load(bytes);
  } catch (const Exception& e) {
    return {e.ClassName(), e.what()};
  }
  return {"loaded", ""};
}

// PLTE data for colours given as 0xRRGGBB.
Bytes Palette(const std::vector<uint32_t>& colors) {
  Bytes out;
  for (uint32_t c : colors) {
    out.push_back(static_cast<uint8_t>(c >> 16));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c));
  }
  return out;
}

// 16-bit samples whose high bytes are the given 8-bit samples and whose low bytes vary.
std::vector<uint16_t> Widen16(const std::vector<uint16_t>& samples) {
  std::vector<uint16_t> out;
  for (size_t i = 0; i < samples.size(); ++i) {
    out.push_back(static_cast<uint16_t>(samples[i] << 8 | ((i * 37 + 11) & 0xFF)));
  }
  return out;
}

Bytes WithPalette(const PngImage& image, const Bytes& palette, bool interlaced = false,
                  int filter = 0) {
  std::vector<PngChunk> extra;
  if (!palette.empty()) extra.push_back({"PLTE", palette});
  return MakePng(image, extra, interlaced, filter);
}

const char* const kInvalidCrcText =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces "
    "of data (crc error)";
const char* const kZlibText =
    "Could not decompress the image because it contains invalid compressed data.\r\n"
    " Description: ";

}  // namespace

// ---- Colours of every colour type and bit depth ----

struct LayoutCase {
  const char* name;
  int colorType, bitDepth;
  std::vector<uint16_t> samples;  // a 3 × 2 picture
  std::vector<uint32_t> palette;
  std::vector<uint32_t> colors;  // the bitmap copy's pixels, 0xRRGGBB
  std::vector<uint8_t> alpha;    // the alpha plane, empty when there is none
  int workingBits;
};

TEST(PngRead, EveryLayoutGivesItsOwnColoursInterlacedOrNot) {
  const std::vector<uint16_t> grayAlpha = {50, 0, 100, 128, 255, 255, 0, 1, 7, 2, 200, 3};
  const std::vector<uint16_t> rgba = {10, 20, 30,  0, 255, 0, 0, 255, 0, 255, 0, 128,
                                      0,  0,  255, 1, 1,   2, 3, 4,   9, 8,   7, 6};
  const std::vector<uint32_t> three = {0x123456, 0x654321, 0xABCDEF};
  const LayoutCase cases[] = {
      {"gray 1", 0, 1, {0, 1, 0, 1, 1, 0}, {}, {0, 0xFFFFFF, 0, 0xFFFFFF, 0xFFFFFF, 0}, {}, 1},
      {"gray 2 shows 0, 85, 170, 255",
       0,
       2,
       {0, 1, 2, 3, 2, 1},
       {},
       {0, 0x555555, 0xAAAAAA, 0xFFFFFF, 0xAAAAAA, 0x555555},
       {},
       4},
      {"gray 4",
       0,
       4,
       {0, 5, 15, 1, 10, 14},
       {},
       {0, 0x555555, 0xFFFFFF, 0x111111, 0xAAAAAA, 0xEEEEEE},
       {},
       4},
      {"gray 8",
       0,
       8,
       {0, 128, 255, 7, 77, 200},
       {},
       {0, 0x808080, 0xFFFFFF, 0x070707, 0x4D4D4D, 0xC8C8C8},
       {},
       8},
      {"gray 16 keeps high bytes",
       0,
       16,
       {0x1234, 0xABCD, 0xFFFF, 0x00FF, 0x0100, 0x8080},
       {},
       {0x121212, 0xABABAB, 0xFFFFFF, 0, 0x010101, 0x808080},
       {},
       8},
      {"RGB 8",
       2,
       8,
       {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 100, 150, 200, 255, 255, 255},
       {},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x010203, 0x6496C8, 0xFFFFFF},
       {},
       24},
      {"RGB 16 keeps high bytes",
       2,
       16,
       {0x12FF, 0x3400, 0x56AA, 0xFF00, 0x0001, 0x0101, 0, 0, 0, 0x8000, 0x7FFF, 0x0100, 1, 2, 3,
        0xFFFF, 0xFFFF, 0xFFFF},
       {},
       {0x123456, 0xFF0001, 0, 0x807F01, 0, 0xFFFFFF},
       {},
       24},
      {"palette 1",
       3,
       1,
       {0, 1, 1, 1, 0, 0},
       {0x0A141E, 0xC86432},
       {0x0A141E, 0xC86432, 0xC86432, 0xC86432, 0x0A141E, 0x0A141E},
       {},
       1},
      {"palette 2",
       3,
       2,
       {0, 1, 2, 3, 2, 1},
       {0x010203, 0x102030, 0xA0B0C0, 0xFFEEDD},
       {0x010203, 0x102030, 0xA0B0C0, 0xFFEEDD, 0xA0B0C0, 0x102030},
       {},
       4},
      {"palette 4, index beyond the palette is black",
       3,
       4,
       {0, 1, 2, 15, 2, 0},
       three,
       {0x123456, 0x654321, 0xABCDEF, 0, 0xABCDEF, 0x123456},
       {},
       4},
      {"palette 8",
       3,
       8,
       {2, 1, 0, 255, 0, 1},
       three,
       {0xABCDEF, 0x654321, 0x123456, 0, 0x123456, 0x654321},
       {},
       8},
      {"gray + alpha 8 ignores alpha",
       4,
       8,
       grayAlpha,
       {},
       {0x323232, 0x646464, 0xFFFFFF, 0, 0x070707, 0xC8C8C8},
       {0, 128, 255, 1, 2, 3},
       8},
      {"gray + alpha 16",
       4,
       16,
       Widen16(grayAlpha),
       {},
       {0x323232, 0x646464, 0xFFFFFF, 0, 0x070707, 0xC8C8C8},
       {0, 128, 255, 1, 2, 3},
       8},
      {"RGBA 8 keeps the colours of clear pixels",
       6,
       8,
       rgba,
       {},
       {0x0A141E, 0xFF0000, 0x00FF00, 0x0000FF, 0x010203, 0x090807},
       {0, 255, 128, 1, 4, 6},
       24},
      {"RGBA 16",
       6,
       16,
       Widen16(rgba),
       {},
       {0x0A141E, 0xFF0000, 0x00FF00, 0x0000FF, 0x010203, 0x090807},
       {0, 255, 128, 1, 4, 6},
       24},
  };
  for (const LayoutCase& c : cases) {
    const PngImage image{3, 2, c.bitDepth, c.colorType, c.samples};
    for (const bool interlaced : {false, true}) {
      for (const int filter : {0, 5}) {
        SCOPED_TRACE(std::string(c.name) + (interlaced ? ", interlaced" : "") + ", filter " +
                     std::to_string(filter));
        const auto png = Load(WithPalette(image, Palette(c.palette), interlaced, filter));
        EXPECT_EQ(png->Width(), 3);
        EXPECT_EQ(png->Height(), 2);
        EXPECT_EQ(png->WorkingForm()->bitCount, c.workingBits);
        EXPECT_EQ(Pixels(*png), c.colors);
        EXPECT_EQ(Alpha(*png), c.alpha);
      }
    }
  }
}

// A larger picture of random samples in every layout, encoded in many ways: every
// encoding gives the colours the samples stand for.
TEST(PngRead, InterlacedFilteredAndSplitEncodingsGiveTheSamePicture) {
  const struct {
    int colorType, bitDepth;
  } layouts[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                 {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  const struct {
    bool interlaced;
    int filter;
    size_t pieceSize;
  } encodings[] = {{false, 0, 0}, {true, 0, 0}, {false, 1, 0}, {false, 2, 0}, {false, 3, 0},
                   {false, 4, 0}, {true, 5, 0}, {false, 5, 7}, {true, 4, 1},  {true, 9, 0}};
  std::mt19937 rng(20240611);
  for (const auto& layout : layouts) {
    const int w = 37, h = 23, channels = PngChannels(layout.colorType);
    const uint32_t levels = 1u << layout.bitDepth;
    PngImage image{w, h, layout.bitDepth, layout.colorType, {}};
    for (int i = 0; i < w * h * channels; ++i) image.samples.push_back(rng() % levels);
    std::vector<uint32_t> palette;
    if (layout.colorType == 3) {
      for (uint32_t i = 0; i < levels; ++i) palette.push_back(rng() & 0xFFFFFF);
    }
    // What the samples stand for: gray levels spread over 0..255, the high byte of
    // 16-bit samples, palette colours.
    auto level = [&](uint16_t v) {
      return layout.bitDepth == 16 ? uint32_t{v} >> 8 : uint32_t{v} * 255 / (levels - 1);
    };
    std::vector<uint32_t> colors;
    std::vector<uint8_t> alpha;
    for (int p = 0; p < w * h; ++p) {
      const uint16_t* s = &image.samples[static_cast<size_t>(p) * channels];
      switch (layout.colorType) {
        case 3:
          colors.push_back(palette[s[0]]);
          break;
        case 2:
        case 6:
          colors.push_back(level(s[0]) << 16 | level(s[1]) << 8 | level(s[2]));
          if (channels == 4) alpha.push_back(static_cast<uint8_t>(level(s[3])));
          break;
        default:
          colors.push_back(level(s[0]) * 0x010101);
          if (channels == 2) alpha.push_back(static_cast<uint8_t>(level(s[1])));
          break;
      }
    }
    for (const auto& e : encodings) {
      SCOPED_TRACE("colour type " + std::to_string(layout.colorType) + ", depth " +
                   std::to_string(layout.bitDepth) + (e.interlaced ? ", interlaced" : "") +
                   ", filter " + std::to_string(e.filter) + ", pieces " +
                   std::to_string(e.pieceSize));
      std::vector<PngChunk> extra;
      if (!palette.empty()) extra.push_back({"PLTE", Palette(palette)});
      const auto png = Load(MakePng(image, extra, e.interlaced, e.filter, e.pieceSize));
      EXPECT_EQ(Pixels(*png), colors);
      EXPECT_EQ(Alpha(*png), alpha);
    }
  }
}

// ---- Gamma ----

TEST(PngRead, GammaCorrectsColoursDecodedAfterIt) {
  const Bytes gamma10 = BigEndian(100000), gamma18 = BigEndian(55556);
  const struct {
    const char* name;
    PngImage image;
    std::vector<PngChunk> chunks;
    std::vector<uint32_t> colors;
    std::vector<uint8_t> alpha;
  } cases[] = {
      // (v / 255) ^ (1 / 2.2) × 255: 1 → 20.54, 2 → 28.15, 64 → 136.03, 128 → 186.42,
      // 254 → 254.54.
      {"gray 8, gamma 1.0",
       {6, 1, 8, 0, {0, 1, 2, 64, 128, 254}},
       {{"gAMA", gamma10}},
       {0, 0x151515, 0x1C1C1C, 0x888888, 0xBABABA, 0xFFFFFF},
       {}},
      // 1 / 1.8 display: exponent 0.81818: 1 → 2.71, 2 → 4.63, 64 → 82.11, 128 → 145.43.
      {"gray 8, gamma 1/1.8",
       {5, 1, 8, 0, {1, 2, 64, 128, 254}},
       {{"gAMA", gamma18}},
       {0x030303, 0x050505, 0x525252, 0x919191, 0xFEFEFE},
       {}},
      // 85 → 154.76, 170 → 212.08.
      {"gray 2 levels",
       {4, 1, 2, 0, {0, 1, 2, 3}},
       {{"gAMA", gamma10}},
       {0, 0x9B9B9B, 0xD4D4D4, 0xFFFFFF},
       {}},
      {"RGB", {1, 1, 8, 2, {1, 128, 254}}, {{"gAMA", gamma10}}, {0x15BAFF}, {}},
      {"RGBA keeps alpha",
       {1, 1, 8, 6, {1, 128, 254, 128}},
       {{"gAMA", gamma10}},
       {0x15BAFF},
       {128}},
      {"gray + alpha keeps alpha", {1, 1, 8, 4, {128, 64}}, {{"gAMA", gamma10}}, {0xBABABA}, {64}},
      {"palette after gamma",
       {1, 1, 8, 3, {0}},
       {{"gAMA", gamma10}, {"PLTE", Palette({0x024080})}},
       {0x1C88BA},
       {}},
      {"palette before gamma stays",
       {1, 1, 8, 3, {0}},
       {{"PLTE", Palette({0x024080})}, {"gAMA", gamma10}},
       {0x024080},
       {}},
      {"gamma 0 changes nothing",
       {3, 1, 8, 0, {1, 64, 128}},
       {{"gAMA", BigEndian(0)}},
       {0x010101, 0x404040, 0x808080},
       {}},
      {"gamma 1/2.2 is the identity",
       {3, 1, 8, 2, {1, 2, 3, 64, 128, 200, 254, 255, 0}},
       {{"gAMA", BigEndian(45455)}},
       {0x010203, 0x4080C8, 0xFEFF00},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto png = Load(MakePng(c.image, c.chunks));
    EXPECT_EQ(Pixels(*png), c.colors);
    EXPECT_EQ(Alpha(*png), c.alpha);
  }
  TPngPicture none;
  for (int i = 0; i < 256; ++i) EXPECT_EQ(none.GammaTable()[i], i);
}

// ---- Transparency ----

TEST(PngRead, TransparencyModesAndTheTransparentColour) {
  using Mode = TPngTransparencyMode;
  const std::vector<uint32_t> palette = {0x102030, 0x405060, 0x708090};
  const struct {
    const char* name;
    PngImage image;
    std::vector<PngChunk> chunks;
    Mode mode;
    TColor transparent;  // 0x00BBGGRR, in bit mode
  } cases[] = {
      {"gray without tRNS", {1, 1, 8, 0, {5}}, {}, Mode::ptmNone, 0},
      {"gray 8", {1, 1, 8, 0, {5}}, {{"tRNS", {0, 128}}}, Mode::ptmBit, 0x808080},
      {"gray 2 names the widened level",
       {1, 1, 2, 0, {1}},
       {{"tRNS", {0, 2}}},
       Mode::ptmBit,
       0xAAAAAA},
      {"gray 16 names the high byte",
       {1, 1, 16, 0, {5}},
       {{"tRNS", {0xAB, 0x01}}},
       Mode::ptmBit,
       0xABABAB},
      {"RGB 8", {1, 1, 8, 2, {1, 2, 3}}, {{"tRNS", {0, 1, 0, 2, 0, 3}}}, Mode::ptmBit, 0x030201},
      {"RGB 16",
       {1, 1, 16, 2, {1, 2, 3}},
       {{"tRNS", {0x12, 0x99, 0x34, 0x99, 0x56, 0x99}}},
       Mode::ptmBit,
       0x563412},
      {"RGB through the gamma",
       {1, 1, 8, 2, {1, 2, 3}},
       {{"gAMA", BigEndian(100000)}, {"tRNS", {0, 128, 0, 1, 0, 2}}},
       Mode::ptmBit,
       0x1C15BA},
      {"palette without tRNS", {1, 1, 8, 3, {0}}, {{"PLTE", Palette(palette)}}, Mode::ptmNone, 0},
      {"palette, one clear entry",
       {1, 1, 8, 3, {0}},
       {{"PLTE", Palette(palette)}, {"tRNS", {255, 0}}},
       Mode::ptmBit,
       0x605040},
      {"palette, one half-clear entry",
       {1, 1, 8, 3, {0}},
       {{"PLTE", Palette(palette)}, {"tRNS", {255, 128}}},
       Mode::ptmPartial,
       0},
      {"palette, two clear entries",
       {1, 1, 8, 3, {0}},
       {{"PLTE", Palette(palette)}, {"tRNS", {0, 0}}},
       Mode::ptmPartial,
       0},
      {"palette, all opaque",
       {1, 1, 8, 3, {0}},
       {{"PLTE", Palette(palette)}, {"tRNS", {255}}},
       Mode::ptmPartial,
       0},
      {"gray + alpha", {1, 1, 8, 4, {5, 5}}, {}, Mode::ptmPartial, 0},
      {"RGBA", {1, 1, 8, 6, {5, 5, 5, 5}}, {}, Mode::ptmPartial, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto png = Load(MakePng(c.image, c.chunks));
    EXPECT_EQ(png->TransparencyMode(), c.mode);
    EXPECT_EQ(png->Transparent(), c.mode != Mode::ptmNone);
    TBitmap bitmap;
    bitmap.CopyGraphic(png.get());
    EXPECT_EQ(bitmap.Transparent(), c.mode == Mode::ptmBit);
    if (c.mode == Mode::ptmBit) {
      EXPECT_EQ(png->TransparentColor(), c.transparent);
      EXPECT_EQ(bitmap.TransparentColor(), c.transparent);
      EXPECT_EQ(bitmap.GetTransparentMode(), TransparentMode::tmFixed);
    }
  }

  // The values per palette entry, 255 beyond the chunk.
  const auto png = Load(MakePng({1, 1, 8, 3, {0}}, {{"PLTE", Palette(palette)}, {"tRNS", {9, 0}}}));
  const auto values = png->TransparencyValues();
  EXPECT_EQ(values[0], 9);
  EXPECT_EQ(values[1], 0);
  EXPECT_EQ(values[2], 255);
  EXPECT_EQ(values[255], 255);
}

TEST(PngRead, ClearEntryBeyondThePaletteFailsTheCopyAndKeepsTheBitmap) {
  const auto png = Load(MakePng(
      {1, 1, 8, 3, {0}}, {{"PLTE", Palette({0x102030, 0x405060})}, {"tRNS", {255, 255, 0}}}));
  ASSERT_EQ(png->TransparencyMode(), TPngTransparencyMode::ptmBit);
  TBitmap bitmap;
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(2, 2);
  try {
    bitmap.CopyGraphic(png.get());
    FAIL() << "copied";
  } catch (const EPngError& e) {
    EXPECT_STREQ(e.what(), "There is no such palette entry.");
  }
  EXPECT_EQ(bitmap.Width(), 2);
}

// ---- Image data over chunks ----

TEST(PngRead, ImageDataCrossChunksOfAnySize) {
  PngImage image{5, 4, 8, 0, {}};
  for (int i = 0; i < 20; ++i) image.samples.push_back(static_cast<uint16_t>(i * 13));
  const Bytes zlib = Deflate(Scanlines(image, false));
  auto piece = [&](size_t from, size_t to) {
    return Bytes(zlib.begin() + static_cast<ptrdiff_t>(from),
                 zlib.begin() + static_cast<ptrdiff_t>(to));
  };
  const size_t n = zlib.size();
  std::vector<std::pair<const char*, Bytes>> files;
  files.emplace_back("one chunk", PngBuilder().Ihdr(image).Idat(zlib).Iend().Build());
  files.emplace_back("one byte each", PngBuilder().Ihdr(image).Idat(zlib, 1).Iend().Build());
  {
    PngBuilder png;
    png.Ihdr(image).Chunk("IDAT", {});
    for (size_t at = 0; at < n; at += 5) {
      png.Chunk("IDAT", piece(at, std::min(n, at + 5))).Chunk("IDAT", {});
    }
    files.emplace_back("empty chunks between", png.Iend().Build());
  }
  // The checksum at the end of the zlib stream, in a chunk of its own after every row
  // is complete: that chunk is passed over unread, even with a bad CRC.
  files.emplace_back("checksum chunk skipped", PngBuilder()
                                                   .Ihdr(image)
                                                   .Chunk("IDAT", piece(0, n - 4))
                                                   .BadCrcChunk("IDAT", piece(n - 4, n))
                                                   .Iend()
                                                   .Build());
  Bytes padded = zlib;
  padded.insert(padded.end(), {1, 2, 3});
  files.emplace_back("bytes after the stream",
                     PngBuilder().Ihdr(image).Idat(padded).Iend().Build());
  files.emplace_back(
      "chromaticities skipped unread",
      PngBuilder().Ihdr(image).BadCrcChunk("cHRM", Bytes(32, 1)).Idat(zlib).Iend().Build());
  std::vector<uint32_t> expected;
  for (uint16_t v : image.samples) expected.push_back(v * 0x010101u);
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Pixels(*Load(bytes)), expected);
  }
}

// ---- Failures ----

TEST(PngRead, EveryFailureHasItsClassAndText) {
  const PngImage gray{4, 3, 8, 0, std::vector<uint16_t>(12, 7)};
  const Bytes data = Deflate(Scanlines(gray, false));
  const Bytes good = MakePng(gray);
  auto header = [](uint32_t w, uint32_t h, int depth, int type, int interlace = 0,
                   int compression = 0) {
    return PngBuilder().Ihdr(w, h, depth, type, interlace, compression);
  };
  Bytes damaged = data;
  damaged[2] |= 0x06;  // a deflate block of the reserved type 3
  Bytes badZlibHeader = data;
  badZlibHeader[1] ^= 1;
  const Bytes dictionary = {1, 2, 3, 4};
  // The stream of the first two rows only, complete with its end.
  const Bytes rows = Scanlines(gray, false);
  const Bytes shortStream = Deflate(Bytes(rows.begin(), rows.begin() + 10));
  const Bytes noEnd(good.begin(), good.end() - 12);
  Bytes lfSignature = good;
  lfSignature.erase(lfSignature.begin() + 4);  // CR LF made LF

  const std::string headerText =
      "The file being readed is not a valid \"Portable Network Graphics\" image because it "
      "contains an invalid header. This file may be corruped, try obtaining it again.";
  const std::string endText =
      "This \"Portable Network Graphics\" image is invalid because the decoder found an "
      "unexpected end of the file.";
  const std::string ihdrText =
      "The \"Portable Network Graphics\" image could not be loaded because one of its main "
      "piece of data (ihdr) might be corrupted";
  const std::string sizeText =
      "This \"Portable Network Graphics\" image is not supported because either it's width or "
      "height exceeds the maximum size, which is 65535 pixels length.";
  const std::string paletteText =
      "The \"Portable Network Graphics\" image contains an invalid palette.";
  const std::string missingText =
      "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";

  const struct {
    const char* name;
    Bytes file;
    const char* className;
    std::string message;
  } cases[] = {
      {"empty file", {}, "EPNGInvalidFileHeader", headerText},
      {"signature with LF for CR LF", lfSignature, "EPNGInvalidFileHeader", headerText},
      {"BMP bytes", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, "EPNGInvalidFileHeader", headerText},
      {"signature only", PngBuilder().Build(), "EPngUnexpectedEnd", endText},
      {"cut inside a chunk length", PngBuilder().Raw({0, 0}).Build(), "EPngUnexpectedEnd", endText},
      {"no end chunk", noEnd, "EPngUnexpectedEnd", endText},
      {"header not first", PngBuilder().Chunk("gAMA", BigEndian(45455)).Build(), "EPNGIHDRNotFirst",
       "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
       "(IHDR chunk is not the first)"},
      {"chromaticities before the header", PngBuilder().Chunk("cHRM", Bytes(32, 0)).Build(),
       "EPNGIHDRNotFirst",
       "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
       "(IHDR chunk is not the first)"},
      {"unknown critical chunk", header(4, 3, 8, 0).Chunk("QxZy", {1}).Idat(data).Iend().Build(),
       "EPNGUnknownCriticalChunk",
       "This \"Portable Network Graphics\" image contains an unknown critical part which could "
       "not be decoded."},
      {"header CRC", PngBuilder().BadCrcChunk("IHDR", Bytes(13, 0)).Build(), "EPngInvalidCRC",
       kInvalidCrcText},
      {"text CRC", header(4, 3, 8, 0).BadCrcChunk("tEXt", {'a', 0, 'b'}).Build(), "EPngInvalidCRC",
       kInvalidCrcText},
      {"image data CRC", header(4, 3, 8, 0).BadCrcChunk("IDAT", data).Iend().Build(),
       "EPngInvalidCRC", kInvalidCrcText},
      {"CRC of the first of two data chunks",
       header(4, 3, 8, 0)
           .BadCrcChunk("IDAT", Bytes(data.begin(), data.begin() + 6))
           .Chunk("IDAT", Bytes(data.begin() + 6, data.end()))
           .Iend()
           .Build(),
       "EPngInvalidCRC", kInvalidCrcText},
      {"end chunk CRC", header(4, 3, 8, 0).Idat(data).BadCrcChunk("IEND", {}).Build(),
       "EPngInvalidCRC", kInvalidCrcText},
      {"file ends inside the image data",
       header(4, 3, 8, 0).Raw(BigEndian(100)).Raw({'I', 'D', 'A', 'T'}).Raw(data).Build(),
       "EPngInvalidCRC", kInvalidCrcText},
      {"header of 12 bytes", PngBuilder().Chunk("IHDR", Bytes(12, 1)).Build(), "EPngInvalidIHDR",
       ihdrText},
      {"colour type 1", header(4, 3, 8, 1).Idat(data).Iend().Build(), "EPngInvalidIHDR", ihdrText},
      {"colour type 5", header(4, 3, 8, 5).Idat(data).Iend().Build(), "EPngInvalidIHDR", ihdrText},
      {"colour type 7", header(4, 3, 8, 7).Idat(data).Iend().Build(), "EPngInvalidIHDR", ihdrText},
      {"gray depth 3", header(4, 3, 3, 0).Idat(data).Iend().Build(), "EPngInvalidIHDR", ihdrText},
      {"RGB depth 4", header(4, 3, 4, 2).Idat(data).Iend().Build(), "EPngInvalidIHDR", ihdrText},
      {"palette depth 16", header(4, 3, 16, 3).Idat(data).Iend().Build(), "EPngInvalidIHDR",
       ihdrText},
      {"gray + alpha depth 2", header(4, 3, 2, 4).Idat(data).Iend().Build(), "EPngInvalidIHDR",
       ihdrText},
      {"RGBA depth 0", header(4, 3, 0, 6).Idat(data).Iend().Build(), "EPngInvalidIHDR", ihdrText},
      {"width 0", header(0, 3, 8, 0).Idat(data).Iend().Build(), "EPngInvalidIHDR", ihdrText},
      {"height 0", header(4, 0, 8, 0).Idat(data).Iend().Build(), "EPngInvalidIHDR", ihdrText},
      {"width 65536", header(65536, 1, 8, 0).Build(), "EPNGSizeExceeds", sizeText},
      {"height 65536", header(1, 65536, 1, 0).Build(), "EPNGSizeExceeds", sizeText},
      {"width 2^32 - 1", header(0xFFFFFFFF, 1, 8, 0).Build(), "EPNGSizeExceeds", sizeText},
      {"compression 1", header(4, 3, 8, 0, 0, 1).Build(), "EPNGUnknownCompression",
       "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
       "which could not be decoded."},
      {"interlace 2", header(4, 3, 8, 0, 2).Build(), "EPNGUnknownInterlace",
       "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not "
       "be decoded."},
      {"pixels above 1 GiB", header(65535, 65535, 8, 2).Iend().Build(), "EPngError",
       "This \"Portable Network Graphics\" image is too large to be loaded: its pixels would "
       "need more than 1 GiB of memory."},
      {"palette of 4 bytes", header(1, 1, 8, 3).Chunk("PLTE", {1, 2, 3, 4}).Build(),
       "EPNGInvalidPalette", paletteText},
      {"palette of 257 entries", header(1, 1, 8, 3).Chunk("PLTE", Bytes(3 * 257, 9)).Build(),
       "EPNGInvalidPalette", paletteText},
      {"tRNS of 257 bytes", header(1, 1, 8, 3).Chunk("tRNS", Bytes(257, 9)).Build(),
       "EPNGInvalidPalette", paletteText},
      {"image data continue into the end chunk",
       header(4, 3, 8, 0).Chunk("IDAT", Bytes(data.begin(), data.begin() + 6)).Iend().Build(),
       "EPNGMissingMultipleIDAT", missingText},
      {"image data continue into a text chunk",
       header(4, 3, 8, 0)
           .Chunk("IDAT", Bytes(data.begin(), data.begin() + 6))
           .Chunk("tEXt", {'a', 0, 'b'})
           .Chunk("IDAT", Bytes(data.begin() + 6, data.end()))
           .Iend()
           .Build(),
       "EPNGMissingMultipleIDAT", missingText},
      {"damaged deflate data", header(4, 3, 8, 0).Idat(damaged).Iend().Build(), "EPNGZLIBError",
       std::string(kZlibText) + "data error (-3)"},
      {"damaged zlib header", header(4, 3, 8, 0).Idat(badZlibHeader).Iend().Build(),
       "EPNGZLIBError", std::string(kZlibText) + "data error (-3)"},
      {"stream ends before the last row", header(4, 3, 8, 0).Idat(shortStream).Iend().Build(),
       "EPNGZLIBError", std::string(kZlibText) + "stream end (1)"},
      {"stream asks for a dictionary",
       header(4, 3, 8, 0).Idat(Deflate(Scanlines(gray, false), 6, dictionary)).Iend().Build(),
       "EPNGZLIBError", std::string(kZlibText) + "need dictionary (2)"},
      {"damaged compressed text",
       header(4, 3, 8, 0).Chunk("zTXt", {'k', 0, 0, 0x78, 0x9C, 0xFF, 0xFF}).Build(),
       "EPNGZLIBError", std::string(kZlibText) + "data error (-3)"},
      {"no image data", header(4, 3, 8, 0).Iend().Build(), "EPNGNoImageData",
       "This \"Portable Network Graphics\" image contains no data."},
      {"end before the image data", header(4, 3, 8, 0).Iend().Idat(data).Build(), "EPNGNoImageData",
       "This \"Portable Network Graphics\" image contains no data."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Failure failure = LoadFailure(c.file);
    EXPECT_EQ(failure.className, c.className);
    EXPECT_EQ(failure.message, c.message);
  }
}

TEST(PngRead, SizesAndResizingRules) {
  // The widest picture loads, in the layout with the longest rows.
  PngImage wide{65535, 1, 16, 6, std::vector<uint16_t>(65535 * 4, 0)};
  const uint16_t last[4] = {0x1100, 0x2200, 0x3300, 0x4400};
  std::copy(last, last + 4, wide.samples.end() - 4);
  const auto png = Load(MakePng(wide));
  EXPECT_EQ(png->Width(), 65535);
  EXPECT_EQ(Pixels(*png).back(), 0x112233u);
  EXPECT_EQ(png->AlphaScanline(0)[65534], 0x44);
  // And the tallest.
  EXPECT_EQ(Load(MakePng({1, 65535, 1, 0, std::vector<uint16_t>(65535, 1)}))->Height(), 65535);

  for (auto write : {&TPngPicture::SetWidth, &TPngPicture::SetHeight}) {
    try {
      (png.get()->*write)(10);
      FAIL() << "resized";
    } catch (const EPngError& e) {
      EXPECT_STREQ(e.what(),
                   "The \"Portable Network Graphics\" image can not be resize by changing width "
                   "and height properties. Try assigning the image from a bitmap.");
    }
  }
  EXPECT_EQ(png->Width(), 65535);
}

TEST(PngRead, CopiesOnlyIntoBitmapsAndOnlyWithAHeader) {
  TPngPicture empty;
  TBitmap bitmap;
  try {
    bitmap.CopyGraphic(&empty);
    FAIL() << "copied";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TPngPicture to a TBitmap");
  }
  const auto png = Load(MakePng({1, 1, 8, 0, {1}}));
  TMetafile metafile;
  try {
    png->CopyTo(metafile);
    FAIL() << "copied";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TPngPicture to a TMetafile");
  }
  const std::string noHeader =
      "This operation is not valid because the current image contains no valid header.";
  try {
    empty.AlphaScanline(0);
    FAIL();
  } catch (const EPNGHeaderNotPresent& e) {
    EXPECT_EQ(e.what(), noHeader);
  }
  try {
    empty.TransparentColor();
    FAIL();
  } catch (const EPNGHeaderNotPresent& e) {
    EXPECT_EQ(e.what(), noHeader);
  }
}

TEST(PngRead, BitmapCopyIsIndependentOfThePicture) {
  const auto png = Load(MakePng({2, 1, 8, 2, {10, 20, 30, 40, 50, 60}}));
  TBitmap first;
  first.CopyGraphic(png.get());
  first.RowAddress(0)[0] = 99;
  EXPECT_EQ(Pixels(*png), (std::vector<uint32_t>{0x0A141E, 0x28323C}));
  EXPECT_EQ(png->WorkingForm()->Row(0)[0], 30);
}

TEST(PngRead, ReloadingReplacesAndAFailedLoadLeavesThePictureEmpty) {
  TPngPicture png;
  const Bytes first = MakePng({2, 1, 8, 0, {1, 2}}, {{"tRNS", {0, 1}}});
  TBytesStream s1(first.data(), first.size());
  png.LoadFromStream(s1);
  EXPECT_TRUE(png.Transparent());
  const Bytes second = MakePng({3, 1, 8, 0, {1, 2, 3}});
  TBytesStream s2(second.data(), second.size());
  png.LoadFromStream(s2);
  EXPECT_EQ(png.Width(), 3);
  EXPECT_FALSE(png.Transparent());
  EXPECT_EQ(png.FindChunk<TChunktRNS>(), nullptr);
  Bytes broken = MakePng({3, 1, 8, 0, {1, 2, 3}}, {{"gAMA", BigEndian(100000)}});
  broken[broken.size() - 1] ^= 1;
  TBytesStream s3(broken.data(), broken.size());
  EXPECT_THROW(png.LoadFromStream(s3), EPngInvalidCRC);
  EXPECT_TRUE(png.IsEmpty());
  EXPECT_EQ(png.Width(), 0);
  EXPECT_EQ(png.GammaTable()[1], 1);
}

TEST(PngRead, TextTimeAndUnknownChunksAreKeptInOrder) {
  const Bytes text = {'T', 'i', 't', 'l', 'e', 0, 'c', 'a', 't'};
  Bytes compressed = {'N', 'o', 't', 'e', 0, 0};
  const Bytes body = Deflate({'s', 'o', 'f', 't'});
  compressed.insert(compressed.end(), body.begin(), body.end());
  const Bytes time = {0x07, 0xE8, 6, 11, 12, 30, 59};
  const auto png = Load(MakePng({1, 1, 8, 0, {0}}, {{"tEXt", text},
                                                    {"cHRM", Bytes(32, 0)},
                                                    {"zTXt", compressed},
                                                    {"tIME", time},
                                                    {"prVt", {1, 2, 3}}}));
  std::vector<std::string> names;
  for (const auto& chunk : png->Chunks()) names.push_back(chunk->NameText());
  EXPECT_EQ(names,
            (std::vector<std::string>{"IHDR", "tEXt", "zTXt", "tIME", "prVt", "IDAT", "IEND"}));
  const auto* t = png->FindChunk<TChunktEXt>();
  EXPECT_EQ(t->Keyword(), "Title");
  EXPECT_EQ(t->Text(), "cat");
  const auto* z = png->FindChunk<TChunkzTXt>();
  EXPECT_EQ(z->Keyword(), "Note");
  EXPECT_EQ(z->Text(), "soft");
  EXPECT_EQ(png->FindChunk<TChunktIME>()->Time()[1], 0xE8);
  EXPECT_EQ(png->Chunks()[4]->Data(), (Bytes{1, 2, 3}));
}

// 1 KiB of compressed text inflates to 1 MiB: the texts of one picture together keep at
// most kMaxTextBytes, or a small file could make the reader hold gigabytes.
TEST(PngRead, CompressedTextsShareOneLimitPerPicture) {
  const size_t limit = TChunkzTXt::kMaxTextBytes;
  Bytes zText = {'k', 0, 0};
  const Bytes body = Deflate(Bytes(limit * 3 / 5, 'a'), 9);
  zText.insert(zText.end(), body.begin(), body.end());
  const Bytes file =
      MakePng({1, 1, 8, 0, {0}}, {{"zTXt", zText}, {"zTXt", zText}, {"zTXt", zText}});
  TPngPicture png;
  for (int load = 0; load < 2; ++load) {  // every load starts with the whole limit
    TBytesStream stream(file.data(), file.size());
    png.LoadFromStream(stream);
    std::vector<size_t> kept;
    for (const auto& chunk : png.Chunks()) {
      if (const auto* z = dynamic_cast<const TChunkzTXt*>(chunk.get())) {
        kept.push_back(z->Text().size());
        EXPECT_EQ(z->Keyword(), "k");
      }
    }
    EXPECT_EQ(kept, (std::vector<size_t>{limit * 3 / 5, limit - limit * 3 / 5, 0}));
  }
}

// Whatever the damage, loading either succeeds or raises one of our exceptions: never a
// crash, a hang or a read outside the buffers (the sanitizer build checks the last).
TEST(PngRead, CutOrDamagedFilesAreRefusedCleanly) {
  PngImage image{9, 7, 4, 3, {}};
  for (int i = 0; i < 63; ++i) image.samples.push_back(static_cast<uint16_t>(i % 16));
  const Bytes good = PngBuilder()
                         .Ihdr(image, true)
                         .Chunk("PLTE", Bytes(48, 77))
                         .Chunk("tEXt", {'a', 0, 'b'})
                         .Idat(Deflate(Scanlines(image, true, 5)), 20)
                         .Iend()
                         .Build();
  for (size_t size = 0; size < good.size(); ++size) {
    const Failure f = LoadFailure(Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(size)));
    EXPECT_TRUE(f.className == "EPNGInvalidFileHeader" || f.className == "EPngUnexpectedEnd" ||
                f.className == "EPngInvalidCRC")
        << size << ": " << f.className;
  }
  // Damaged compressed data behind valid CRCs.
  const Bytes zlib = Deflate(Scanlines(image, true, 5));
  std::set<std::string> outcomes;
  for (size_t at = 0; at < zlib.size(); ++at) {
    for (const uint8_t mask : {0x01, 0x10, 0xFF}) {
      Bytes broken = zlib;
      broken[at] ^= mask;
      outcomes.insert(LoadFailure(PngBuilder()
                                      .Ihdr(image, true)
                                      .Chunk("PLTE", Bytes(48, 77))
                                      .Idat(broken, 11)
                                      .Iend()
                                      .Build())
                          .className);
    }
  }
  for (const std::string& outcome : outcomes) {
    EXPECT_TRUE(outcome == "loaded" || outcome == "EPNGZLIBError" ||
                outcome == "EPNGMissingMultipleIDAT")
        << outcome;
  }
}

// ---- Through the picture layer and the decode tool ----

TEST(PngRead, LoadsThroughThePictureLayerAndTheDecodeTool) {
  TempDir dir;
  const PngImage image{2, 2, 2, 0, {0, 1, 2, 3}};
  const std::string path = dir.Write("levels.PNG", MakePng(image, {}, true));
  TPicture picture;
  LoadPictureFile(picture, path);
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TPngPicture");
  EXPECT_EQ(Pixels(*picture.Graphic()), (std::vector<uint32_t>{0, 0x555555, 0xAAAAAA, 0xFFFFFF}));

  // A BMP named .png fails in the PNG reader and the previous picture stays.
  const std::string bmp = dir.Write("photo.png", std::string("BM") + std::string(60, '\0'));
  EXPECT_THROW(LoadPictureFile(picture, bmp), EPNGInvalidFileHeader);
  EXPECT_EQ(picture.Width(), 2);

  const std::string tool = std::string(VELORA_BINARY_DIR) + "/src/tools/velora-decode";
  const std::string out = dir.Path("levels.ppm");
  ASSERT_EQ(std::system(("'" + tool + "' '" + path + "' '" + out + "'").c_str()), 0);
  EXPECT_EQ(ReadFile(out), std::string("P6\n2 2\n255\n") + std::string("\0\0\0", 3) +
                               std::string(3, '\x55') + std::string(3, '\xAA') +
                               std::string(3, '\xFF'));
}

// ---- The public corpus ----

TEST(PngCorpus, EveryPngSuiteFileLoadsOrIsRefusedWithItsReason) {
  SKIP_WITHOUT_CORPUS();
  // The deliberately broken files and why each is refused.
  const std::map<std::string, std::string> broken = {
      {"xc1n0g08.png", "EPngInvalidIHDR"},       {"xc9n2c08.png", "EPngInvalidIHDR"},
      {"xcrn0g04.png", "EPNGInvalidFileHeader"}, {"xcsn0g01.png", "EPngInvalidCRC"},
      {"xd0n2c08.png", "EPngInvalidIHDR"},       {"xd3n2c08.png", "EPngInvalidIHDR"},
      {"xd9n2c08.png", "EPngInvalidIHDR"},       {"xdtn0g01.png", "EPNGNoImageData"},
      {"xhdn0g08.png", "EPngInvalidCRC"},        {"xlfn0g04.png", "EPNGInvalidFileHeader"},
      {"xs1n0g01.png", "EPNGInvalidFileHeader"}, {"xs2n0g01.png", "EPNGInvalidFileHeader"},
      {"xs4n0g01.png", "EPNGInvalidFileHeader"}, {"xs7n0g01.png", "EPNGInvalidFileHeader"},
  };
  int loaded = 0, refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Corpus("png/pngsuite"))) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const Failure f = LoadFailure(ReadBytes(entry.path().string()));
    if (name[0] == 'x') {
      ASSERT_TRUE(broken.count(name));
      EXPECT_EQ(f.className, broken.at(name));
      ++refused;
      continue;
    }
    ASSERT_EQ(f.className, "loaded") << f.message;
    const auto png = LoadCorpus("pngsuite/" + name);
    const Bytes file = ReadBytes(entry.path().string());
    const auto width = static_cast<int>(file[18] << 8 | file[19]);
    const auto height = static_cast<int>(file[22] << 8 | file[23]);
    EXPECT_EQ(png->Width(), width);
    EXPECT_EQ(png->Height(), height);
    EXPECT_EQ(Pixels(*png).size(), static_cast<size_t>(width * height));
    ++loaded;
  }
  EXPECT_EQ(refused, static_cast<int>(broken.size()));
  EXPECT_GT(loaded, 150);
}

TEST(PngCorpus, TwinEncodingsGiveIdenticalBitmaps) {
  SKIP_WITHOUT_CORPUS();
  std::vector<std::pair<std::string, std::string>> twins;
  for (const char* layout : {"0g01", "0g02", "0g04", "0g08", "0g16", "2c08", "2c16", "3p01", "3p02",
                             "3p04", "3p08", "4a08", "4a16", "6a08", "6a16"}) {
    twins.emplace_back(std::string("pngsuite/basn") + layout + ".png",
                       std::string("pngsuite/basi") + layout + ".png");
  }
  for (const char* size : {"01", "02", "03", "04", "05", "06", "07", "08", "09", "32", "33", "34",
                           "35", "36", "37", "38", "39", "40"}) {
    const std::string depth = std::stoi(size) < 5 ? "3p01" : std::stoi(size) < 10 ? "3p02" : "3p04";
    twins.emplace_back("pngsuite/s" + std::string(size) + "n" + depth + ".png",
                       "pngsuite/s" + std::string(size) + "i" + depth + ".png");
  }
  // The same data in 1, 2, 4 and many IDAT chunks.
  for (const char* split : {"oi1", "oi2", "oi4", "oi9"}) {
    twins.emplace_back("pngsuite/basn0g16.png", std::string("pngsuite/") + split + "n0g16.png");
    twins.emplace_back("pngsuite/basn2c16.png", std::string("pngsuite/") + split + "n2c16.png");
  }
  // Compression levels 0, 3, 6, 9.
  for (const char* level : {"z03", "z06", "z09"}) {
    twins.emplace_back("pngsuite/z00n2c08.png", std::string("pngsuite/") + level + "n2c08.png");
  }
  twins.emplace_back("misc/hippopotamus.regular.png", "misc/hippopotamus.interlaced.png");
  // A gamma of 1/2.2 is no change on a 2.2 display.
  twins.emplace_back("misc/red-blue-gradient.vanilla.png", "misc/red-blue-gradient.gamma2dot2.png");
  for (const auto& [a, b] : twins) {
    SCOPED_TRACE(a + " / " + b);
    EXPECT_EQ(Pixels(*LoadCorpus(a)), Pixels(*LoadCorpus(b)));
  }
}

TEST(PngCorpus, GrayLevelsAndGammaOfKnownPictures) {
  SKIP_WITHOUT_CORPUS();
  auto colours = [](const std::string& name) {
    const std::vector<uint32_t> pixels = Pixels(*LoadCorpus(name));
    return std::set<uint32_t>(pixels.begin(), pixels.end());
  };
  // The suite's gray pictures carry a gamma of 1.0, so on a 2.2 display the 2-bit levels
  // 85 and 170 show as 155 and 212.
  EXPECT_EQ(colours("pngsuite/basn0g01.png"), (std::set<uint32_t>{0, 0xFFFFFF}));
  for (const char* name : {"pngsuite/basn0g02.png", "pngsuite/basi0g02.png"}) {
    EXPECT_EQ(colours(name), (std::set<uint32_t>{0, 0x9B9B9B, 0xD4D4D4, 0xFFFFFF})) << name;
  }
  // A checkerboard with mid-gray 128: unchanged at gamma 1/2.2, 186 at gamma 1.0.
  EXPECT_EQ(colours("misc/checkerboard.gamma2dot2.png"),
            (std::set<uint32_t>{0, 0x808080, 0xFFFFFF}));
  EXPECT_EQ(colours("misc/checkerboard.gamma1dot0.png"),
            (std::set<uint32_t>{0, 0xBABABA, 0xFFFFFF}));

  // Every channel of the gamma 1.0 gradient is one function of the plain gradient's
  // channel, with the levels 1, 2 and 128 at 21, 28 and 186.
  const auto plain = Pixels(*LoadCorpus("misc/red-blue-gradient.vanilla.png"));
  const auto corrected = Pixels(*LoadCorpus("misc/red-blue-gradient.gamma1dot0.png"));
  ASSERT_EQ(plain.size(), corrected.size());
  std::map<uint32_t, uint32_t> level;
  for (size_t i = 0; i < plain.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const uint32_t in = plain[i] >> shift & 0xFF, out = corrected[i] >> shift & 0xFF;
      const auto [it, fresh] = level.emplace(in, out);
      ASSERT_EQ(it->second, out) << "level " << in;
    }
  }
  EXPECT_EQ(level.at(1), 21u);
  EXPECT_EQ(level.at(2), 28u);
  EXPECT_EQ(level.at(128), 186u);
  EXPECT_EQ(level.at(255), 255u);
}

TEST(PngCorpus, MiscFilesLoadOrFailAsTheyShould) {
  SKIP_WITHOUT_CORPUS();
  for (const char* name : {"apng-skip-idat.png", "bricks-dither.png", "bricks-gray.png", "exif.png",
                           "pjw-thumbnail.png", "red-blue-gradient.gamma1dot8.png"}) {
    SCOPED_TRACE(name);
    EXPECT_NO_THROW(LoadCorpus(std::string("misc/") + name));
  }
  for (const char* name :
       {"hippopotamus.regular.truncated.png", "hippopotamus.interlaced.truncated.png"}) {
    SCOPED_TRACE(name);
    try {
      LoadCorpus(std::string("misc/") + name);
      FAIL() << "loaded";
    } catch (const EPngInvalidCRC& e) {
      EXPECT_STREQ(e.what(), kInvalidCrcText);
    }
  }
  // Text before and after the image data, compressed text inflated; iTXt kept as bytes.
  const auto png = LoadCorpus("misc/key-value-pairs.png");
  std::vector<std::pair<std::string, std::string>> texts;
  for (const auto& chunk : png->Chunks()) {
    if (const auto* t = dynamic_cast<const TChunktEXt*>(chunk.get())) {
      texts.emplace_back(t->Keyword(), t->Text());
    }
  }
  EXPECT_EQ(texts, (std::vector<std::pair<std::string, std::string>>{{"Key", "English"},
                                                                     {"Cl\xE9",
                                                                      "Fran\xE7"
                                                                      "ais"},
                                                                     {"zl\xEF"
                                                                      "bK",
                                                                      "zl\xEF"
                                                                      "bV"},
                                                                     {"After", "Frame"}}));
}
