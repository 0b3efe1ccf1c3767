// velora-make-samples FOLDER: draws the small pictures under samples/ (one per input
// format) from scratch, so the project ships no picture it did not make itself.
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "jpeg/jpeg.h"
#include "picture/palettes.h"
#include "picture/picture.h"

using namespace velora;

namespace {

// A landscape: sky gradient, a sun, hills, and a checkered field.
void Draw(TBitmap& bitmap, int w, int h) {
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < w; ++x) {
      const double fx = static_cast<double>(x) / w, fy = static_cast<double>(y) / h;
      int r = static_cast<int>(90 + 120 * fy), g = static_cast<int>(150 + 80 * fy), b = 250;
      const double sun = std::hypot(fx - 0.75, fy - 0.25);
      if (sun < 0.09) r = 255, g = 220, b = 60;
      const double hill = 0.55 + 0.08 * std::sin(fx * 9.0) + 0.05 * std::cos(fx * 23.0);
      if (fy > hill)
        r = 40 + static_cast<int>(60 * fx), g = 120 + static_cast<int>(50 * fy), b = 50;
      if (fy > 0.8) {
        const bool dark = ((x / 12) + (y / 12)) % 2;
        r = dark ? 150 : 200, g = dark ? 110 : 160, b = dark ? 60 : 90;
      }
      row[3 * x] = static_cast<uint8_t>(b);
      row[3 * x + 1] = static_cast<uint8_t>(g);
      row[3 * x + 2] = static_cast<uint8_t>(r);
    }
  }
}

void Put32(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>(v >> s);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  const std::string typed = type + data;
  out += typed;
  Put32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                         static_cast<uInt>(typed.size()))));
}

// An 8-bit RGB PNG, every row with filter type "sub".
std::string Png(const TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  std::string raw;
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = bitmap.ConstRowAddress(y);
    raw += static_cast<char>(1);
    for (int x = 0; x < w; ++x) {
      for (int c = 2; c >= 0; --c) {
        const int left = x ? p[3 * (x - 1) + c] : 0;
        raw += static_cast<char>(p[3 * x + c] - left);
      }
    }
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
  packed.resize(size);
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  Put32(ihdr, static_cast<uint32_t>(w));
  Put32(ihdr, static_cast<uint32_t>(h));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  Chunk(out, "IHDR", ihdr);
  Chunk(out, "IDAT", packed);
  Chunk(out, "IEND", "");
  return out;
}

// A GIF of the picture reduced to the 8-bit fixed palette. The LZW stream uses 9-bit
// codes only and a clear code before the table would grow, which any decoder reads.
std::string Gif(const TBitmap& bitmap) {
  TBitmap indexed;
  indexed.CopyGraphic(&bitmap);
  indexed.SetPixelDepth(PixelDepth::pf8bit);
  const int w = indexed.Width(), h = indexed.Height();
  std::string out = "GIF89a";
  out += static_cast<char>(w & 255);
  out += static_cast<char>(w >> 8);
  out += static_cast<char>(h & 255);
  out += static_cast<char>(h >> 8);
  out += std::string("\xF7\x00\x00", 3);  // global table of 256 entries
  for (const TColorEntry& c : indexed.ColorTable()) {
    out += static_cast<char>(c.red);
    out += static_cast<char>(c.green);
    out += static_cast<char>(c.blue);
  }
  out += ',';
  out += std::string(4, '\0');
  out += static_cast<char>(w & 255);
  out += static_cast<char>(w >> 8);
  out += static_cast<char>(h & 255);
  out += static_cast<char>(h >> 8);
  out += '\0';
  out += static_cast<char>(8);  // minimum code size
  std::string codes;
  uint32_t bits = 0;
  int count = 0;
  auto emit = [&](int code) {
    bits |= static_cast<uint32_t>(code) << count;
    count += 9;
    while (count >= 8) {
      codes += static_cast<char>(bits & 255);
      bits >>= 8;
      count -= 8;
    }
  };
  int sinceClear = 0;
  emit(256);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = indexed.ConstRowAddress(y);
    for (int x = 0; x < w; ++x) {
      if (sinceClear == 254) {
        emit(256);
        sinceClear = 0;
      }
      emit(row[x]);
      ++sinceClear;
    }
  }
  emit(257);
  if (count > 0) codes += static_cast<char>(bits & 255);
  for (size_t i = 0; i < codes.size(); i += 255) {
    const std::string block = codes.substr(i, 255);
    out += static_cast<char>(block.size());
    out += block;
  }
  out += '\0';
  out += ';';
  return out;
}

bool Save(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velora-make-samples FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  TBitmap picture;
  Draw(picture, 320, 240);
  TJPEGImage jpeg;
  jpeg.EncodeQuality = 85;
  jpeg.CopyGraphic(&picture);
  jpeg.SaveFile(folder + "jpeg-sample.jpg");
  TMemoryStream bmp;
  picture.SaveToStream(bmp);
  const bool ok =
      Save(folder + "bmp-sample.bmp", std::string(bmp.Bytes().begin(), bmp.Bytes().end())) &&
      Save(folder + "png-sample.png", Png(picture)) &&
      Save(folder + "gif-sample.gif", Gif(picture));
  return ok ? 0 : 1;
}
