#pragma once
// Fixtures for the preview's tests: small GIF files written here, and the pixels a
// widget shows.
#include <QImage>
#include <QRgb>
#include <cstdint>
#include <optional>
#include <vector>

class QWidget;

namespace velora::test {

struct GifRgb {
  uint8_t r = 0, g = 0, b = 0;
};

struct GifFrameLayout {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width × height indices, top row first
  int delay = 0;                // hundredths of a second; a graphic control is written when
  int disposal = 0;             // any of these three is set
  int transparent = -1;         // the transparent index, -1 for none
  std::vector<GifRgb> localMap;
};

struct GifLayout {
  int width = 0, height = 0;
  std::vector<GifRgb> globalMap;  // up to 256 entries, padded to a power of two
  std::optional<int> loops;       // a NETSCAPE2.0 loop extension when set
  std::vector<GifFrameLayout> frames;
};

// A GIF89a file as described, its pixels coded as plain LZW codes.
std::vector<uint8_t> MakeGif(const GifLayout& file);
// A frame filled with one index.
GifFrameLayout SolidFrame(int left, int top, int width, int height, uint8_t index);

// What the widget shows, one pixel per device pixel.
QImage Grab(QWidget& widget);
// The colour at a point, alpha dropped.
QRgb At(const QImage& image, int x, int y);

}  // namespace velora::test
