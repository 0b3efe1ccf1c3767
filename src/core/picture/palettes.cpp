#include "picture/palettes.h"

namespace velora {

namespace {
TColorEntry Rgb(int r, int g, int b) {
  return {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}
}  // namespace

const TColorTable& BlackWhitePalette() {
  static const TColorTable table{Rgb(0, 0, 0), Rgb(255, 255, 255)};
  return table;
}

const TColorTable& SystemPalette16() {
  static const TColorTable table{
      Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
      Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
      Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
      Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};
  return table;
}

const TColorTable& HalftonePalette() {
  static const TColorTable table = [] {
    TColorTable t;
    for (int r = 0; r < 6; ++r) {
      for (int g = 0; g < 6; ++g) {
        for (int b = 0; b < 6; ++b) t.push_back(Rgb(r * 51, g * 51, b * 51));
      }
    }
    for (int k = 1; k <= 40; ++k) {
      const int v = (k * 255 + 20) / 41;
      t.push_back(Rgb(v, v, v));
    }
    return t;
  }();
  return table;
}

}  // namespace velora
