// velora-decode IN OUT.ppm: loads any picture the format table knows, copies it into a
// 24-bit bitmap as the resampler does, and writes it as a binary PPM (top row first,
// RGB). Exists for comparing our readers with other decoders.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "picture/picture.h"
#include "util/errors.h"

using namespace velora;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: velora-decode IN OUT.ppm\n");
    return 2;
  }
  try {
    TPicture picture;
    LoadPictureFile(picture, argv[1]);
    TBitmap bitmap;
    bitmap.SetPixelDepth(PixelDepth::pf24bit);
    bitmap.CopyGraphic(picture.Graphic());
    bitmap.SetPixelDepth(PixelDepth::pf24bit);
    const int w = bitmap.Width(), h = bitmap.Height();
    std::string out = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    std::vector<char> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
      const uint8_t* p = bitmap.ConstRowAddress(y);
      for (int x = 0; x < w; ++x) {
        row[3 * x] = static_cast<char>(p[3 * x + 2]);
        row[3 * x + 1] = static_cast<char>(p[3 * x + 1]);
        row[3 * x + 2] = static_cast<char>(p[3 * x]);
      }
      out.append(row.data(), row.size());
    }
    FILE* f = std::fopen(argv[2], "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
      std::fprintf(stderr, "velora-decode: cannot write %s\n", argv[2]);
      return 1;
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.ClassName(), e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "std::exception: %s\n", e.what());
    return 1;
  }
  return 0;
}
