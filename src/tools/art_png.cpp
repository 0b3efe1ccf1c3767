#include "art_png.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velora::art {

namespace {

void Put32(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  const std::string typed = type + data;
  out += typed;
  Put32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                         static_cast<uInt>(typed.size()))));
}

std::string Deflate(const std::string& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
            Z_BEST_COMPRESSION);
  packed.resize(size);
  return packed;
}

std::string Png(int width, int height, uint8_t colourType, const std::string& extraChunks,
                const std::string& filteredRows) {
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  Put32(ihdr, static_cast<uint32_t>(width));
  Put32(ihdr, static_cast<uint32_t>(height));
  ihdr += static_cast<char>(8);  // bit depth
  ihdr += static_cast<char>(colourType);
  ihdr += std::string(3, '\0');  // deflate, adaptive filtering, no interlace
  Chunk(out, "IHDR", ihdr);
  out += extraChunks;
  Chunk(out, "IDAT", Deflate(filteredRows));
  Chunk(out, "IEND", "");
  return out;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// One row with the filter type whose output has the smallest sum of absolute values,
// the usual guess at what deflate packs best.
std::string FilterRow(const uint8_t* row, const uint8_t* above, size_t size, size_t bpp) {
  std::string best;
  long bestCost = -1;
  for (int type = 0; type <= 4; ++type) {
    std::string line(1, static_cast<char>(type));
    long cost = 0;
    for (size_t i = 0; i < size; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0;
      const int b = above ? above[i] : 0;
      const int c = above && i >= bpp ? above[i - bpp] : 0;
      int predicted = 0;
      if (type == 1) predicted = a;
      if (type == 2) predicted = b;
      if (type == 3) predicted = (a + b) / 2;
      if (type == 4) predicted = Paeth(a, b, c);
      const auto value = static_cast<uint8_t>(row[i] - predicted);
      line += static_cast<char>(value);
      cost += value < 128 ? value : 256 - value;
    }
    if (bestCost < 0 || cost < bestCost) {
      bestCost = cost;
      best = std::move(line);
    }
  }
  return best;
}

}  // namespace

std::string RgbaPng(int width, int height, const std::vector<uint8_t>& pixels) {
  const size_t stride = static_cast<size_t>(width) * 4;
  std::string rows;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels.data() + stride * static_cast<size_t>(y);
    rows += FilterRow(row, y ? row - stride : nullptr, stride, 4);
  }
  return Png(width, height, 6, "", rows);
}

std::string PalettePng(int width, int height, const std::vector<uint8_t>& indices,
                       const std::vector<Rgb>& palette) {
  std::string plte;
  for (const Rgb& c : palette) {
    plte += static_cast<char>(c.r);
    plte += static_cast<char>(c.g);
    plte += static_cast<char>(c.b);
  }
  std::string chunks;
  Chunk(chunks, "PLTE", plte);
  // Palette rows are stored unfiltered: neighbouring indices say nothing about each other.
  std::string rows;
  for (int y = 0; y < height; ++y) {
    rows += '\0';
    rows.append(reinterpret_cast<const char*>(indices.data()) + static_cast<size_t>(y) * width,
                static_cast<size_t>(width));
  }
  return Png(width, height, 3, chunks, rows);
}

bool SaveFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "velora-make-art: cannot create %s: %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !written) {
    std::fprintf(stderr, "velora-make-art: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace velora::art
