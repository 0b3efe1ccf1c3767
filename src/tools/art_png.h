#pragma once
// The PNG files of the project's artwork: 8-bit RGBA for the icons (they need their
// transparency) and 8-bit palette pictures for the rest, which keeps them small.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velora::art {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// pixels: width * height * 4 bytes, rows top first, R G B A, alpha not premultiplied.
std::string RgbaPng(int width, int height, const std::vector<uint8_t>& pixels);

// indices: width * height palette entries, rows top first; palette: at most 256 colours.
std::string PalettePng(int width, int height, const std::vector<uint8_t>& indices,
                       const std::vector<Rgb>& palette);

// Writes the bytes to the file; false (with the reason on standard error) when it fails.
bool SaveFile(const std::string& path, const std::string& bytes);

}  // namespace velora::art
