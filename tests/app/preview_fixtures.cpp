#include "preview_fixtures.h"

#include <QWidget>
#include <algorithm>
#include <string>

namespace velora::test {

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, int value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// The table size field for a colour map: entries = 2 << field.
int SizeField(size_t entries) {
  int field = 0;
  while ((size_t{2} << field) < entries) ++field;
  return field;
}

void PutMap(Bytes& out, const std::vector<GifRgb>& map) {
  const size_t entries = size_t{2} << SizeField(map.size());
  for (size_t i = 0; i < entries; ++i) {
    const GifRgb c = i < map.size() ? map[i] : GifRgb{};
    out.insert(out.end(), {c.r, c.g, c.b});
  }
}

// Codes of 9 bits with a minimum code size of 8: a clear code, then literal codes, a clear
// code again before the decoder's table would need 10-bit codes, and the end code.
Bytes LiteralLzw(const Bytes& pixels) {
  constexpr int kClear = 256, kEnd = 257, kWidth = 9, kCodesPerClear = 200;
  Bytes data;
  uint32_t acc = 0;
  int bits = 0;
  auto put = [&](int code) {
    acc |= static_cast<uint32_t>(code) << bits;
    bits += kWidth;
    while (bits >= 8) {
      data.push_back(static_cast<uint8_t>(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  };
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % kCodesPerClear == 0) put(kClear);
    put(pixels[i]);
  }
  put(kEnd);
  if (bits > 0) data.push_back(static_cast<uint8_t>(acc & 0xFF));
  Bytes out{8};  // minimum code size
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<long>(at),
               data.begin() + static_cast<long>(at + n));
  }
  out.push_back(0);
  return out;
}

}  // namespace

std::vector<uint8_t> MakeGif(const GifLayout& file) {
  Bytes out{'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, file.width);
  Put16(out, file.height);
  const bool global = !file.globalMap.empty();
  out.push_back(static_cast<uint8_t>(global ? 0x80 | SizeField(file.globalMap.size()) : 0));
  out.push_back(0);  // background index
  out.push_back(0);  // aspect ratio
  if (global) PutMap(out, file.globalMap);
  if (file.loops) {
    out.insert(out.end(), {0x21, 0xFF, 11});
    for (char c : std::string("NETSCAPE2.0")) out.push_back(static_cast<uint8_t>(c));
    out.insert(out.end(), {3, 1});
    Put16(out, *file.loops);
    out.push_back(0);
  }
  for (const GifFrameLayout& frame : file.frames) {
    if (frame.delay || frame.disposal || frame.transparent >= 0) {
      out.insert(out.end(), {0x21, 0xF9, 4});
      out.push_back(static_cast<uint8_t>((frame.disposal & 7) << 2 | (frame.transparent >= 0)));
      Put16(out, frame.delay);
      out.push_back(static_cast<uint8_t>(std::max(frame.transparent, 0)));
      out.push_back(0);
    }
    out.push_back(0x2C);
    Put16(out, frame.left);
    Put16(out, frame.top);
    Put16(out, frame.width);
    Put16(out, frame.height);
    const bool local = !frame.localMap.empty();
    out.push_back(static_cast<uint8_t>(local ? 0x80 | SizeField(frame.localMap.size()) : 0));
    if (local) PutMap(out, frame.localMap);
    const Bytes lzw = LiteralLzw(frame.pixels);
    out.insert(out.end(), lzw.begin(), lzw.end());
  }
  out.push_back(0x3B);
  return out;
}

GifFrameLayout SolidFrame(int left, int top, int width, int height, uint8_t index) {
  GifFrameLayout frame;
  frame.left = left;
  frame.top = top;
  frame.width = width;
  frame.height = height;
  frame.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), index);
  return frame;
}

QImage Grab(QWidget& widget) {
  return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb At(const QImage& image, int x, int y) {
  return image.pixel(x, y) | 0xFF000000u;
}

}  // namespace velora::test
