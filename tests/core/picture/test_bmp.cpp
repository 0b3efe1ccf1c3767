// The BMP reader: small files built here for every layout and failure, and the BMP
// Suite for real-world files.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "corpus.h"
#include "picture/picture.h"
#include "test_util.h"

using namespace velora;

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A BMP file described field by field; Bytes() lays it out as a writer would.
struct BmpFile {
  uint32_t headerSize = 40;  // 12 is the core header
  int32_t width = 1;
  int32_t height = 1;
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t imageSize = 0;
  uint32_t colorsUsed = 0;
  std::vector<uint32_t> masks = {};     // inside a header of 52+ bytes, else after it
  std::vector<uint32_t> colors = {};    // 0xRRGGBB; 3 bytes each after a core header, else 4
  std::vector<uint8_t> gap = {};        // bytes between the colour table and the pixels
  std::optional<uint32_t> offset = {};  // the file header's pixel offset; default: the real one
  std::vector<uint8_t> pixels = {};     // as stored, first row first
  char signature[3] = "BM";

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> info;
    if (headerSize == 12) {
      Put32(info, 12);
      Put16(info, static_cast<uint32_t>(width));
      Put16(info, static_cast<uint32_t>(height));
      Put16(info, planes);
      Put16(info, bitCount);
    } else {
      Put32(info, headerSize);
      Put32(info, static_cast<uint32_t>(width));
      Put32(info, static_cast<uint32_t>(height));
      Put16(info, planes);
      Put16(info, bitCount);
      for (uint32_t v : {compression, imageSize, 2835u, 2835u, colorsUsed, 0u}) Put32(info, v);
      if (headerSize >= 52) {
        for (uint32_t m : masks) Put32(info, m);
      }
      info.resize(std::max<size_t>(std::min<size_t>(headerSize, 1024), 16));
    }
    if (headerSize < 52) {
      for (uint32_t m : masks) Put32(info, m);
    }
    for (uint32_t c : colors) {
      info.insert(info.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                               static_cast<uint8_t>(c >> 16)});
      if (headerSize != 12) info.push_back(0);
    }
    info.insert(info.end(), gap.begin(), gap.end());
    std::vector<uint8_t> file = {static_cast<uint8_t>(signature[0]),
                                 static_cast<uint8_t>(signature[1])};
    const uint32_t pixelStart = static_cast<uint32_t>(14 + info.size());
    Put32(file, static_cast<uint32_t>(pixelStart + pixels.size()));
    Put32(file, 0);
    Put32(file, offset.value_or(pixelStart));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
  }
};

// Distinct colours: entry i is (i, 255 - i, i / 2); entries past 255 are white.
uint32_t RampColor(uint32_t i) {
  return i < 256 ? i << 16 | (255 - i) << 8 | i / 2 : 0xFFFFFF;
}
std::vector<uint32_t> Ramp(uint32_t count = 256) {
  std::vector<uint32_t> colors;
  for (uint32_t i = 0; i < count; ++i) colors.push_back(RampColor(i));
  return colors;
}

void Load(TBitmap& bitmap, const std::vector<uint8_t>& bytes) {
  TBytesStream stream(bytes.data(), bytes.size());
  bitmap.LoadFromStream(stream);
}

// The bitmap's colours as 0xRRGGBB, top row first, through a 24-bit copy as the
// resampler makes it.
std::vector<uint32_t> Colors24(const TBitmap& bitmap) {
  TBitmap copy;
  copy.CopyGraphic(&bitmap);
  copy.SetPixelDepth(PixelDepth::pf24bit);
  std::vector<uint32_t> out;
  for (int y = 0; y < copy.Height(); ++y) {
    const uint8_t* p = copy.ConstRowAddress(y);
    for (int x = 0; x < copy.Width(); ++x) {
      out.push_back(uint32_t{p[3 * x + 2]} << 16 | p[3 * x + 1] << 8 | p[3 * x]);
    }
  }
  return out;
}

// The colour-table indices of an indexed bitmap, top row first.
std::vector<int> Indices(const TBitmap& bitmap) {
  const DibSection& dib = *bitmap.Dib();
  std::vector<int> out;
  for (int y = 0; y < dib.height; ++y) {
    const uint8_t* row = dib.Row(y);
    for (int x = 0; x < dib.width; ++x) {
      switch (dib.bitCount) {
        case 1:
          out.push_back((row[x >> 3] >> (7 - (x & 7))) & 1);
          break;
        case 4:
          out.push_back((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
          break;
        default:
          out.push_back(row[x]);
      }
    }
  }
  return out;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace

// ---- Files built here ----

TEST(BmpReader, LoadsEveryLayoutWithItsExactColours) {
  struct Case {
    const char* name;
    BmpFile file;
    PixelDepth depth;
    std::vector<uint32_t> expected;  // top row first
  } cases[] = {
      {"1 bit, a 9-pixel row padded to 4 bytes",
       {.width = 9,
        .height = 2,
        .bitCount = 1,
        .colors = {0x112233, 0xAABBCC},
        .pixels = {0x80, 0x80, 0, 0, 0x55, 0x00, 0, 0}},
       PixelDepth::pf1bit,
       {0x112233, 0xAABBCC, 0x112233, 0xAABBCC, 0x112233, 0xAABBCC, 0x112233, 0xAABBCC, 0x112233,
        0xAABBCC, 0x112233, 0x112233, 0x112233, 0x112233, 0x112233, 0x112233, 0x112233, 0xAABBCC}},
      {"4 bits with three used colours",
       {.width = 3,
        .height = 2,
        .bitCount = 4,
        .colorsUsed = 3,
        .colors = {0xFF0000, 0x00FF00, 0x0000FF},
        .pixels = {0x01, 0x20, 0, 0, 0x21, 0x00, 0, 0}},
       PixelDepth::pf4bit,
       {0x0000FF, 0x00FF00, 0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF}},
      {"8 bits, core header with 3-byte colours",
       {.headerSize = 12,
        .width = 2,
        .height = 2,
        .bitCount = 8,
        .colors = Ramp(),
        .pixels = {1, 2, 0, 0, 250, 255, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(250), RampColor(255), RampColor(1), RampColor(2)}},
      {"8 bits, short OS/2 2.x header",
       {.headerSize = 16,
        .width = 2,
        .height = 1,
        .bitCount = 8,
        .colors = Ramp(),
        .pixels = {7, 9, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(7), RampColor(9)}},
      {"8 bits, top-down",
       {.width = 2,
        .height = -2,
        .bitCount = 8,
        .colors = Ramp(),
        .pixels = {1, 2, 0, 0, 3, 4, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(1), RampColor(2), RampColor(3), RampColor(4)}},
      {"8 bits, 124-byte header",
       {.headerSize = 124,
        .width = 1,
        .height = 1,
        .bitCount = 8,
        .colors = Ramp(),
        .pixels = {200, 0, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(200)}},
      {"8 bits, more than 256 colours in the table",
       {.width = 1,
        .height = 1,
        .bitCount = 8,
        .colorsUsed = 300,
        .colors = Ramp(300),
        .pixels = {255, 0, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(255)}},
      {"16 bits 5-5-5 without masks",
       {.width = 4,
        .height = 1,
        .bitCount = 16,
        .pixels = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42}},
       PixelDepth::pf15bit,
       {0xFF0000, 0x00FF00, 0x0000FF, 0x848484}},
      {"16 bits 5-6-5 bit fields after a 40-byte header",
       {.width = 3,
        .height = 1,
        .bitCount = 16,
        .compression = 3,
        .masks = {0xF800, 0x07E0, 0x001F},
        .pixels = {0x00, 0xF8, 0x20, 0x00, 0x1F, 0x00, 0, 0}},
       PixelDepth::pf16bit,
       {0xFF0000, 0x000400, 0x0000FF}},
      {"16 bits 4-4-4 bit fields",
       {.width = 1,
        .height = 1,
        .bitCount = 16,
        .compression = 3,
        .masks = {0x0F00, 0x00F0, 0x000F},
        .pixels = {0x81, 0x0F, 0, 0}},
       PixelDepth::pfCustom,
       {0xFF8811}},
      {"24 bits, a 1-pixel row padded to 4 bytes",
       {.width = 1, .height = 2, .pixels = {0x01, 0x02, 0x03, 0, 0x0A, 0x0B, 0x0C, 0}},
       PixelDepth::pf24bit,
       {0x0C0B0A, 0x030201}},
      {"24 bits with a colour table that is skipped",
       {.width = 1,
        .height = 1,
        .colorsUsed = 2,
        .colors = {0x123456, 0x654321},
        .pixels = {0x01, 0x02, 0x03, 0}},
       PixelDepth::pf24bit,
       {0x030201}},
      {"32 bits without masks",
       {.width = 2, .height = 1, .bitCount = 32, .pixels = {1, 2, 3, 99, 4, 5, 6, 99}},
       PixelDepth::pf32bit,
       {0x030201, 0x060504}},
      {"32 bits, x-b-g-r masks inside a 56-byte header",
       {.headerSize = 56,
        .width = 1,
        .height = 1,
        .bitCount = 32,
        .compression = 3,
        .masks = {0xFF000000, 0x00FF0000, 0x0000FF00, 0},
        .pixels = {0x99, 0x30, 0x20, 0x10}},
       PixelDepth::pfCustom,
       {0x102030}},
      {"32 bits, alpha bit fields with four masks after the header",
       {.width = 1,
        .height = 1,
        .bitCount = 32,
        .compression = 6,
        .masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF},
        .pixels = {0x80, 1, 2, 3}},
       PixelDepth::pfCustom,
       {0x010203}},
      {"32 bits 10-10-10: wide fields round to the nearest 8-bit value",
       {.width = 1,
        .height = 1,
        .bitCount = 32,
        .compression = 3,
        .masks = {0x3FF00000, 0x000FFC00, 0x000003FF},
        .pixels = {99, 0xFC, 0xFF, 0x3F}},  // red 1023, green 1023, blue 99
       PixelDepth::pfCustom,
       {0xFFFF19}},
      {"a pixel offset past the colour table skips the gap",
       {.width = 1,
        .height = 1,
        .bitCount = 8,
        .colors = Ramp(),
        .gap = {9, 9, 9, 9, 9, 9},
        .pixels = {42, 0, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(42)}},
      {"a pixel offset inside the colour table ends the table there",
       {.width = 1,
        .height = 1,
        .bitCount = 8,
        .colors = Ramp(),
        .offset = 14 + 40 + 8,  // two entries; the pixel is entry 2's blue byte, 1
        .pixels = {43, 0, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(1)}},
      {"a pixel offset at the colour table's start is ignored",
       {.width = 1,
        .height = 1,
        .bitCount = 8,
        .colors = Ramp(),
        .offset = 14 + 40,
        .pixels = {43, 0, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(43)}},
      {"a core header with a 4-entry table: indices beyond it are black",
       {.headerSize = 12,
        .width = 6,
        .height = 1,
        .bitCount = 8,
        .colors = Ramp(4),
        .pixels = {3, 2, 1, 0, 4, 255, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(3), RampColor(2), RampColor(1), RampColor(0), 0, 0}},
      {"a short table ends at the last whole entry before the offset",
       {.headerSize = 12,
        .width = 5,
        .height = 1,
        .bitCount = 8,
        .colors = Ramp(4),
        .gap = {0xAA, 0xBB},
        .pixels = {1, 3, 4, 7, 0, 0, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(1), RampColor(3), 0, 0, RampColor(0)}},
      {"a 40-byte header with colours-used 0 and a 4-entry table",
       {.width = 3,
        .height = 2,
        .bitCount = 8,
        .colors = Ramp(4),
        .pixels = {0, 1, 9, 0, 2, 3, 128, 0}},
       PixelDepth::pf8bit,
       {RampColor(2), RampColor(3), 0, RampColor(0), RampColor(1), 0}},
      {"colours-used far beyond the file: the pixel offset ends the table",
       {.width = 2,
        .height = 1,
        .bitCount = 8,
        .colorsUsed = 0x12345678,
        .colors = Ramp(5),
        .pixels = {4, 5, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(4), 0}},
      {"a 4-bit picture with a 3-entry table",
       {.width = 4, .height = 1, .bitCount = 4, .colors = Ramp(3), .pixels = {0x21, 0xF0, 0, 0}},
       PixelDepth::pf4bit,
       {RampColor(2), RampColor(1), 0, RampColor(0)}},
      {"a pixel offset past the end of the file is ignored",
       {.width = 1,
        .height = 1,
        .bitCount = 8,
        .colors = Ramp(),
        .offset = 0x7FFFFFFF,
        .pixels = {44, 0, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(44)}},
      {"missing rows of a bottom-up file are the top rows and stay index 0",
       {.width = 1, .height = 3, .bitCount = 8, .colors = Ramp(), .pixels = {5, 0, 0, 0, 6}},
       PixelDepth::pf8bit,
       {RampColor(0), RampColor(6), RampColor(5)}},
      {"the image size limits how many pixel bytes are read",
       {.width = 1,
        .height = 2,
        .bitCount = 8,
        .imageSize = 4,
        .colors = Ramp(),
        .pixels = {5, 0, 0, 0, 6, 0, 0, 0}},
       PixelDepth::pf8bit,
       {RampColor(0), RampColor(5)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    Load(bitmap, c.file.Bytes());
    EXPECT_EQ(bitmap.GetPixelDepth(), c.depth);
    EXPECT_EQ(bitmap.Width(), c.file.width);
    EXPECT_EQ(bitmap.Height(), std::abs(c.file.height));
    EXPECT_EQ(Colors24(bitmap), c.expected);
  }
}

TEST(BmpReader, ReadsFromTheStreamPositionAndTakesTheOffsetFromThere) {
  const BmpFile file{.width = 1,
                     .height = 1,
                     .bitCount = 8,
                     .colors = Ramp(),
                     .gap = {1, 2, 3},
                     .pixels = {77, 0, 0, 0}};
  const std::vector<uint8_t> bytes = Cat({{'x', 'y', 'z'}, file.Bytes()});
  TBytesStream stream(bytes.data(), bytes.size());
  stream.SetPosition(3);
  TBitmap bitmap;
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(Colors24(bitmap), std::vector<uint32_t>{RampColor(77)});
}

TEST(BmpReader, AnEmptyStreamGivesAnEmptyBitmap) {
  TBitmap bitmap;
  Load(bitmap, BmpFile{}.Bytes());
  ASSERT_FALSE(bitmap.IsEmpty());
  Load(bitmap, {});
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
}

TEST(BmpReader, RunLengthDataDecodesToExactIndicesAndNeverLeavesThePicture) {
  struct Case {
    const char* name;
    int bitCount, width, height;
    std::vector<uint8_t> data;
    std::vector<int> expected;  // indices, top row first
  } cases[] = {
      {"RLE8 runs, absolute run with padding, end of line, end of bitmap",
       8,
       4,
       3,
       {2, 5, 2, 6, 0, 0, 4, 7, 0, 0, 0, 3, 1, 2, 3, 0xEE, 0, 1},
       {1, 2, 3, 0, 7, 7, 7, 7, 5, 5, 6, 6}},
      {"RLE8 delta moves right and up; skipped pixels stay 0",
       8,
       4,
       3,
       {1, 9, 0, 2, 2, 1, 1, 8, 0, 1},
       {0, 0, 0, 0, 0, 0, 0, 8, 9, 0, 0, 0}},
      {"RLE8 runs past the row end are clipped, not wrapped",
       8,
       4,
       2,
       {6, 4, 0, 0, 1, 3, 0, 1},
       {3, 0, 0, 0, 4, 4, 4, 4}},
      {"RLE8 absolute run past the row end is clipped and the next code still read",
       8,
       2,
       2,
       {0, 5, 1, 2, 3, 4, 5, 0xEE, 0, 0, 2, 6, 0, 1},
       {6, 6, 1, 2}},
      {"RLE8 data ending without end of bitmap keeps what it drew",
       8,
       4,
       2,
       {3, 5, 0},
       {0, 0, 0, 0, 5, 5, 5, 0}},
      {"RLE8 writes above the top row are dropped",
       8,
       2,
       2,
       {0, 0, 0, 0, 0, 0, 2, 1, 0, 2, 0, 200, 2, 1, 0, 1},
       {0, 0, 0, 0}},
      {"RLE8 absolute run cut short by the end of the data", 8, 4, 1, {0, 4, 1, 2}, {1, 2, 0, 0}},
      {"RLE4 runs alternate the two indices of their byte",
       4,
       5,
       2,
       {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1},
       {3, 4, 5, 0, 0, 1, 2, 1, 2, 1}},
      {"RLE4 absolute run of 5 pixels takes 3 bytes and a pad byte",
       4,
       5,
       2,
       {0, 5, 0x12, 0x34, 0x5F, 0xEE, 0, 0, 2, 0x67, 0, 1},
       {6, 7, 0, 0, 0, 1, 2, 3, 4, 5}},
      {"RLE4 runs past the row end are clipped", 4, 3, 1, {9, 0xAB, 0, 1}, {10, 11, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint32_t> colors(c.bitCount == 8 ? 256 : 16);
    for (uint32_t i = 0; i < colors.size(); ++i) colors[i] = i * 0x010101;
    const BmpFile file{.width = c.width,
                       .height = c.height,
                       .bitCount = static_cast<uint16_t>(c.bitCount),
                       .compression = c.bitCount == 8 ? 1u : 2u,
                       .imageSize = static_cast<uint32_t>(c.data.size()),
                       .colors = colors,
                       .pixels = c.data};
    TBitmap bitmap;
    Load(bitmap, file.Bytes());
    EXPECT_EQ(bitmap.GetPixelDepth(), c.bitCount == 8 ? PixelDepth::pf8bit : PixelDepth::pf4bit);
    EXPECT_EQ(Indices(bitmap), c.expected);
    std::vector<uint32_t> expectedColors;
    for (int i : c.expected) expectedColors.push_back(static_cast<uint32_t>(i) * 0x010101);
    EXPECT_EQ(Colors24(bitmap), expectedColors);
  }
}

TEST(BmpReader, RefusesBadFilesWithClearErrorsAndKeepsThePreviousPicture) {
  const char* const kInvalid = "Bitmap image is not valid";
  const char* const kReadError = "Stream read error";
  const BmpFile gray{
      .width = 1, .height = 1, .bitCount = 8, .colors = Ramp(), .pixels = {1, 0, 0, 0}};
  auto with = [&](auto change) {
    BmpFile f = gray;
    change(f);
    return f.Bytes();
  };
  auto cut = [](std::vector<uint8_t> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"signature BA", with([](BmpFile& f) { f.signature[1] = 'A'; }), kInvalid},
      {"planes 0", with([](BmpFile& f) { f.planes = 0; }), kInvalid},
      {"planes 2", with([](BmpFile& f) { f.planes = 2; }), kInvalid},
      {"2 bits per pixel", with([](BmpFile& f) { f.bitCount = 2; }), kInvalid},
      {"64 bits per pixel", with([](BmpFile& f) { f.bitCount = 64; }), kInvalid},
      {"0 bits per pixel", with([](BmpFile& f) { f.bitCount = 0; }), kInvalid},
      {"JPEG compression", with([](BmpFile& f) { f.compression = 4; }), kInvalid},
      {"PNG compression", with([](BmpFile& f) { f.compression = 5; }), kInvalid},
      {"bit fields on 8-bit pixels", with([](BmpFile& f) { f.compression = 3; }), kInvalid},
      {"RLE4 on 8-bit pixels", with([](BmpFile& f) { f.compression = 2; }), kInvalid},
      {"RLE8 on 4-bit pixels", with([](BmpFile& f) {
         f.bitCount = 4;
         f.compression = 1;
       }),
       kInvalid},
      {"RLE8 top-down", with([](BmpFile& f) {
         f.compression = 1;
         f.height = -1;
       }),
       kInvalid},
      {"bit fields with no masks set", with([](BmpFile& f) {
         f.bitCount = 16;
         f.compression = 3;
         f.colors.clear();
         f.masks = {0, 0, 0};
       }),
       kInvalid},
      {"width 0", with([](BmpFile& f) { f.width = 0; }), kInvalid},
      {"negative width", with([](BmpFile& f) { f.width = -1; }), kInvalid},
      {"height 0", with([](BmpFile& f) { f.height = 0; }), kInvalid},
      {"smallest height", with([](BmpFile& f) { f.height = INT_MIN; }), kInvalid},
      {"1 GiB plus one row", with([](BmpFile& f) {
         f.bitCount = 32;
         f.width = 16384;
         f.height = 16385;
         f.colors.clear();
       }),
       kInvalid},
      {"sizes whose product overflows 64 bits", with([](BmpFile& f) {
         f.bitCount = 32;
         f.width = INT_MAX;
         f.height = INT_MAX;
         f.colors.clear();
       }),
       kInvalid},
      {"header size 8", with([](BmpFile& f) { f.headerSize = 8; }), kInvalid},
      {"ends inside the file header", cut(gray.Bytes(), 9), kReadError},
      {"ends inside the information header", cut(gray.Bytes(), 14 + 20), kReadError},
      {"ends inside the colour table", cut(gray.Bytes(), 14 + 40 + 100), kReadError},
      {"ends inside the masks",
       cut(with([](BmpFile& f) {
             f.bitCount = 16;
             f.compression = 3;
             f.colors.clear();
             f.masks = {0xF800, 0x07E0, 0x001F};
           }),
           14 + 40 + 6),
       kReadError},
      {"a colour table larger than the file, no pixel offset to end it", with([](BmpFile& f) {
         f.colorsUsed = 0x12345678;
         f.offset = 0;
       }),
       kReadError},
      {"a header larger than the file", with([](BmpFile& f) { f.headerSize = 0xFFFFFFF0; }),
       kReadError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    Load(bitmap, BmpFile{.width = 3, .height = 2, .pixels = std::vector<uint8_t>(24)}.Bytes());
    try {
      Load(bitmap, c.bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_STREQ(c.message, kInvalid);
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_STREQ(c.message, kReadError);
    }
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 2);
  }
}

TEST(BmpReader, WhatTheWriterSavesReadsBackUnchanged) {
  struct Case {
    PixelDepth depth;
    int width;
  } cases[] = {{PixelDepth::pf1bit, 13}, {PixelDepth::pf4bit, 7},  {PixelDepth::pf8bit, 5},
               {PixelDepth::pf15bit, 3}, {PixelDepth::pf16bit, 3}, {PixelDepth::pf24bit, 3},
               {PixelDepth::pf32bit, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.depth));
    TBitmap original;
    original.SetPixelDepth(c.depth);
    original.SetSize(c.width, 3);
    for (int y = 0; y < 3; ++y) {
      uint8_t* row = original.RowAddress(y);
      for (size_t i = 0; i < original.Dib()->stride; ++i)
        row[i] = static_cast<uint8_t>(37 * i + 11 * y);
    }
    TMemoryStream stream;
    original.SaveToStream(stream);
    stream.SetPosition(0);
    TBitmap loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.GetPixelDepth(), c.depth);
    EXPECT_EQ(loaded.ColorTable(), original.ColorTable());
    EXPECT_EQ(Colors24(loaded), Colors24(original));
  }
}

// ---- The BMP Suite ----

namespace {

std::string Suite(const std::string& name) {
  return test::Corpus("bmp/bmpsuite/" + name);
}

void LoadSuite(TBitmap& bitmap, const std::string& name) {
  bitmap.LoadFile(Suite(name));
}

}  // namespace

TEST(BmpSuite, GoodFilesLoadWithHandCheckedColours) {
  SKIP_WITHOUT_CORPUS();
  struct Case {
    const char* file;
    int x, y;
    uint32_t color;
  } cases[] = {
      {"g/rgb24.bmp", 0, 0, 0xFF0000},         {"g/rgb24.bmp", 32, 0, 0x00FF00},
      {"g/rgb24.bmp", 64, 0, 0x0000FF},        {"g/rgb24.bmp", 0, 63, 0x000000},
      {"g/rgb24.bmp", 126, 63, 0x60607E},      {"g/rgb24.bmp", 30, 32, 0xFFFFFF},
      {"g/pal8.bmp", 126, 0, 0x99AACC},        {"g/pal8.bmp", 126, 63, 0x665566},
      {"g/pal8topdown.bmp", 126, 0, 0x99AACC}, {"g/pal4.bmp", 126, 0, 0xFF80FF},
      {"g/pal1.bmp", 0, 0, 0xFFFFFF},          {"g/pal1.bmp", 0, 63, 0x000000},
      {"g/pal1bg.bmp", 0, 0, 0x40FF40},        {"g/pal1bg.bmp", 0, 63, 0x4040FF},
      {"g/pal8gs.bmp", 126, 0, 0xA2A2A2},      {"g/rgb16.bmp", 126, 0, 0x9C9CBD},
      {"g/rgb16-565.bmp", 126, 0, 0x9C9EBD},   {"g/pal8w124.bmp", 123, 60, 0x335566},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.x) + "," + std::to_string(c.y));
    TBitmap bitmap;
    LoadSuite(bitmap, c.file);
    const std::vector<uint32_t> colors = Colors24(bitmap);
    EXPECT_EQ(colors.at(static_cast<size_t>(c.y * bitmap.Width() + c.x)), c.color);
  }
}

TEST(BmpSuite, EncodingsOfOnePictureAgree) {
  SKIP_WITHOUT_CORPUS();
  // Each file against a reference showing the same picture; channels with fewer than 8
  // bits are compared after rounding both to the file's bits per channel.
  struct Case {
    const char* file;
    const char* reference;
    int bits[3];  // red, green, blue
  } cases[] = {
      {"g/rgb24pal.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"g/rgb32.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"g/rgb32bf.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"g/rgb32bfdef.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"g/rgb16.bmp", "g/rgb24.bmp", {5, 5, 5}},
      {"g/rgb16bfdef.bmp", "g/rgb24.bmp", {5, 5, 5}},
      {"g/rgb16-565.bmp", "g/rgb24.bmp", {5, 6, 5}},
      {"g/rgb16-565pal.bmp", "g/rgb24.bmp", {5, 6, 5}},
      {"g/pal8-0.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"g/pal8os2.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"g/pal8rle.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"g/pal8topdown.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"g/pal8v4.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"g/pal8v5.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"g/pal4rle.bmp", "g/pal4.bmp", {8, 8, 8}},
      {"g/pal1wb.bmp", "g/pal1.bmp", {8, 8, 8}},
      // Questionable files that still show the same picture.
      {"q/pal8offs.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"q/pal8oversizepal.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"q/pal8os2-hs.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"q/pal8os2-sz.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"q/pal8os2sp.bmp", "g/pal8.bmp", {8, 8, 8}},       // 252 colours, the offset ends the table
      {"b/badpalettesize.bmp", "g/pal8.bmp", {8, 8, 8}},  // likewise, despite colours-used
      {"q/pal8os2v2.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"q/pal8os2v2-16.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"q/pal8os2v2-40sz.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"q/pal8os2v2-sz.bmp", "g/pal8.bmp", {8, 8, 8}},
      {"q/rgb24largepal.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"q/rgb24prof.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"q/rgb24lprof.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"q/rgb32-xbgr.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"q/rgb32h52.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"q/rgb32fakealpha.bmp", "g/rgb24.bmp", {8, 8, 8}},
      {"q/rgb16faketrns.bmp", "g/rgb24.bmp", {5, 5, 5}},
      {"q/rgba16-5551.bmp", "g/rgb24.bmp", {5, 5, 5}},
      {"q/rgba32-2.bmp", "q/rgba32-1.bmp", {8, 8, 8}},
      {"q/rgba32-1010102.bmp", "q/rgba32-1.bmp", {8, 8, 8}},
      {"q/rgba32-81284.bmp", "q/rgba32-1.bmp", {8, 8, 8}},
      {"q/rgba32abf.bmp", "q/rgba32-1.bmp", {8, 8, 8}},
      {"q/rgba32h56.bmp", "q/rgba32-1.bmp", {8, 8, 8}},
  };
  auto reduce = [](uint32_t value, int bits) {
    const uint32_t largest = (1u << bits) - 1;
    return (value * largest + 127) / 255;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TBitmap bitmap, reference;
    LoadSuite(bitmap, c.file);
    LoadSuite(reference, c.reference);
    ASSERT_EQ(bitmap.Width(), reference.Width());
    ASSERT_EQ(bitmap.Height(), reference.Height());
    const std::vector<uint32_t> got = Colors24(bitmap), want = Colors24(reference);
    int mismatches = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      for (int channel = 0; channel < 3; ++channel) {
        const int shift = 16 - 8 * channel, bits = c.bits[channel];
        const uint32_t a = (got[i] >> shift) & 0xFF, b = (want[i] >> shift) & 0xFF;
        if (reduce(a, bits) != reduce(b, bits)) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(BmpSuite, IndexedPixelsBecomeTheirTableColoursExactly) {
  SKIP_WITHOUT_CORPUS();
  for (const char* file : {"g/pal1bg.bmp", "g/pal4.bmp", "g/pal8.bmp", "g/pal8rle.bmp"}) {
    SCOPED_TRACE(file);
    TBitmap bitmap;
    LoadSuite(bitmap, file);
    const TColorTable& table = bitmap.ColorTable();
    const std::vector<int> indices = Indices(bitmap);
    const std::vector<uint32_t> colors = Colors24(bitmap);
    for (size_t i = 0; i < indices.size(); ++i) {
      const TColorEntry e = table.at(static_cast<size_t>(indices[i]));
      ASSERT_EQ(colors[i], uint32_t{e.red} << 16 | e.green << 8 | e.blue) << i;
    }
  }
}

TEST(BmpSuite, EveryFileLoadsOrIsRefusedClearly) {
  SKIP_WITHOUT_CORPUS();
  // What each file does: its pixel depth when it loads, or the exception class.
  const std::map<std::string, std::string> expected = {
      {"g/pal1.bmp", "1"},
      {"g/pal1bg.bmp", "1"},
      {"g/pal1wb.bmp", "1"},
      {"g/pal4.bmp", "4"},
      {"g/pal4gs.bmp", "4"},
      {"g/pal4rle.bmp", "4"},
      {"g/pal8-0.bmp", "8"},
      {"g/pal8.bmp", "8"},
      {"g/pal8gs.bmp", "8"},
      {"g/pal8nonsquare.bmp", "8"},
      {"g/pal8os2.bmp", "8"},
      {"g/pal8rle.bmp", "8"},
      {"g/pal8topdown.bmp", "8"},
      {"g/pal8v4.bmp", "8"},
      {"g/pal8v5.bmp", "8"},
      {"g/pal8w124.bmp", "8"},
      {"g/pal8w125.bmp", "8"},
      {"g/pal8w126.bmp", "8"},
      {"g/rgb16-565.bmp", "16"},
      {"g/rgb16-565pal.bmp", "16"},
      {"g/rgb16.bmp", "15"},
      {"g/rgb16bfdef.bmp", "15"},
      {"g/rgb24.bmp", "24"},
      {"g/rgb24pal.bmp", "24"},
      {"g/rgb32.bmp", "32"},
      {"g/rgb32bf.bmp", "custom"},
      {"g/rgb32bfdef.bmp", "32"},
      // Bad files: refused when they break a limit, else loaded safely.
      {"b/badbitcount.bmp", "EInvalidGraphic"},
      {"b/badbitssize.bmp", "1"},  // image size beyond the file: cut to the file
      {"b/baddens1.bmp", "1"},
      {"b/baddens2.bmp", "1"},
      {"b/badfilesize.bmp", "1"},
      {"b/badheadersize.bmp", "1"},
      {"b/badpalettesize.bmp", "8"},  // the pixel offset ends the table
      {"b/badplanes.bmp", "EInvalidGraphic"},
      {"b/badrle.bmp", "8"},
      {"b/badrle4.bmp", "4"},
      {"b/badrle4bis.bmp", "4"},
      {"b/badrle4ter.bmp", "4"},
      {"b/badrlebis.bmp", "8"},
      {"b/badrleter.bmp", "8"},
      {"b/badwidth.bmp", "EInvalidGraphic"},
      {"b/pal8badindex.bmp", "8"},
      {"b/reallybig.bmp", "EInvalidGraphic"},
      {"b/rgb16-880.bmp", "custom"},
      {"b/rletopdown.bmp", "EInvalidGraphic"},
      {"b/shortfile.bmp", "1"},
      {"q/pal1huffmsb.bmp", "EInvalidGraphic"},
      {"q/pal1p1.bmp", "1"},
      {"q/pal2.bmp", "EInvalidGraphic"},
      {"q/pal2color.bmp", "EInvalidGraphic"},
      {"q/pal4rlecut.bmp", "4"},
      {"q/pal4rletrns.bmp", "4"},
      {"q/pal8offs.bmp", "8"},
      {"q/pal8os2-hs.bmp", "8"},
      {"q/pal8os2-sz.bmp", "8"},
      {"q/pal8os2sp.bmp", "8"},
      {"q/pal8os2v2-16.bmp", "8"},
      {"q/pal8os2v2-40sz.bmp", "8"},
      {"q/pal8os2v2-sz.bmp", "8"},
      {"q/pal8os2v2.bmp", "8"},
      {"q/pal8oversizepal.bmp", "8"},
      {"q/pal8rlecut.bmp", "8"},
      {"q/pal8rletrns.bmp", "8"},
      {"q/rgb16-231.bmp", "custom"},
      {"q/rgb16-3103.bmp", "custom"},
      {"q/rgb16faketrns.bmp", "15"},
      {"q/rgb24jpeg.bmp", "EInvalidGraphic"},
      {"q/rgb24largepal.bmp", "24"},
      {"q/rgb24lprof.bmp", "24"},
      {"q/rgb24png.bmp", "EInvalidGraphic"},
      {"q/rgb24prof.bmp", "24"},
      {"q/rgb24rle24.bmp", "EInvalidGraphic"},
      {"q/rgb32-111110.bmp", "custom"},
      {"q/rgb32-7187.bmp", "custom"},
      {"q/rgb32-xbgr.bmp", "custom"},
      {"q/rgb32fakealpha.bmp", "32"},
      {"q/rgb32h52.bmp", "custom"},
      {"q/rgba16-1924.bmp", "custom"},
      {"q/rgba16-4444.bmp", "custom"},
      {"q/rgba16-5551.bmp", "15"},
      {"q/rgba32-1.bmp", "32"},
      {"q/rgba32-1010102.bmp", "custom"},
      {"q/rgba32-2.bmp", "custom"},
      {"q/rgba32-61754.bmp", "custom"},
      {"q/rgba32-81284.bmp", "custom"},
      {"q/rgba32abf.bmp", "custom"},
      {"q/rgba32h56.bmp", "custom"},
      {"q/rgba64.bmp", "EInvalidGraphic"},
  };
  auto depthName = [](PixelDepth d) -> std::string {
    switch (d) {
      case PixelDepth::pf1bit:
        return "1";
      case PixelDepth::pf4bit:
        return "4";
      case PixelDepth::pf8bit:
        return "8";
      case PixelDepth::pf15bit:
        return "15";
      case PixelDepth::pf16bit:
        return "16";
      case PixelDepth::pf24bit:
        return "24";
      case PixelDepth::pf32bit:
        return "32";
      case PixelDepth::pfCustom:
        return "custom";
      case PixelDepth::pfDevice:
        break;
    }
    return "device";
  };
  std::vector<std::string> files;
  for (const char* folder : {"g", "b", "q"}) {
    for (const auto& entry : std::filesystem::directory_iterator(Suite(folder))) {
      files.push_back(std::string(folder) + "/" + entry.path().filename().string());
    }
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const auto it = expected.find(file);
    ASSERT_NE(it, expected.end()) << "a suite file without an expected outcome";
    std::string outcome;
    TBitmap bitmap;
    try {
      LoadSuite(bitmap, file);
      outcome = depthName(bitmap.GetPixelDepth());
      // Every loaded file makes a full 24-bit copy, as the resampler needs.
      EXPECT_EQ(Colors24(bitmap).size(), static_cast<size_t>(bitmap.Width()) * bitmap.Height());
      EXPECT_LE(bitmap.Width(), 127);
      EXPECT_LE(bitmap.Height(), 64);
    } catch (const Exception& e) {
      outcome = e.ClassName();
    }
    EXPECT_EQ(outcome, it->second);
  }
}

TEST(BmpSuite, DecodeToolConvertsEveryGoodFile) {
  SKIP_WITHOUT_CORPUS();
  test::TempDir dir;
  const std::string tool = std::string(VELORA_BINARY_DIR) + "/src/tools/velora-decode";
  for (const auto& entry : std::filesystem::directory_iterator(Suite("g"))) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::string out = dir.Path(name + ".ppm");
    const std::string command = "'" + tool + "' '" + entry.path().string() + "' '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    TBitmap bitmap;
    bitmap.LoadFile(entry.path().string());
    std::string expected =
        "P6\n" + std::to_string(bitmap.Width()) + " " + std::to_string(bitmap.Height()) + "\n255\n";
    for (uint32_t c : Colors24(bitmap)) {
      expected += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
    }
    EXPECT_TRUE(test::ReadFile(out) == expected);
  }
}
