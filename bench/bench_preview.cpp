// How long the window's preview takes to show a 12-megapixel picture: loading the file
// into the preview's picture and painting it at once, as the conversion does with the
// preview on. Beside it, decoding the same JPEG at full size, which showing it must not
// cost. Offscreen, in a view of 480 x 360 pixels.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <random>
#include <string>

#include "formats/formats.h"
#include "jpeg/jpeg.h"
#include "preview/PreviewImage.h"

using namespace velora;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// A photo-like picture: smooth gradients with noise, so decoding costs what a camera's
// photo costs.
void Fill(TBitmap& bitmap) {
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(kWidth, kHeight);
  std::mt19937 rng(1);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < 3 * kWidth; ++x) {
      row[x] = static_cast<uint8_t>((x / 11 + y / 7 + (x % 3) * 60) % 200 + rng() % 24);
    }
  }
}

struct Pictures {
  QTemporaryDir dir;
  std::string jpeg, png, bmp;

  Pictures() {
    TBitmap bitmap;
    Fill(bitmap);
    const std::string root = dir.path().toStdString();
    TJPEGImage jpegImage;
    jpegImage.CopyGraphic(&bitmap);
    jpegImage.EncodeQuality = 90;
    jpeg = root + "/photo.jpg";
    jpegImage.SaveFile(jpeg);
    bmp = root + "/photo.bmp";
    bitmap.SaveFile(bmp);
    png = root + "/photo.png";
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    for (int y = 0; y < kHeight; ++y) {
      const uint8_t* in = bitmap.ConstRowAddress(y);
      uchar* out = image.scanLine(y);
      for (int x = 0; x < kWidth; ++x) {
        out[3 * x] = in[3 * x + 2];
        out[3 * x + 1] = in[3 * x + 1];
        out[3 * x + 2] = in[3 * x];
      }
    }
    image.save(QString::fromStdString(png), "PNG", 0);  // fast, large file
  }
};

const Pictures& Files() {
  static Pictures pictures;
  return pictures;
}

void Show(benchmark::State& state, const std::string& path) {
  app::TPreviewImage preview;
  preview.resize(480, 360);
  preview.SetStretch(true);
  preview.show();
  QApplication::processEvents();
  for (auto _ : state) {
    LoadPictureFile(preview.Picture(), path);
    preview.RepaintNow();
  }
}

void ShowJpeg(benchmark::State& state) {
  Show(state, Files().jpeg);
}
void ShowPng(benchmark::State& state) {
  Show(state, Files().png);
}
void ShowBmp(benchmark::State& state) {
  Show(state, Files().bmp);
}

void DecodeJpegFullSize(benchmark::State& state) {
  for (auto _ : state) {
    TPicture picture;
    LoadPictureFile(picture, Files().jpeg);
    benchmark::DoNotOptimize(dynamic_cast<TJPEGImage&>(*picture.Graphic()).Bitmap().Dib().get());
  }
}

}  // namespace

BENCHMARK(ShowJpeg)->Name("preview/show/jpeg_12MP")->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeJpegFullSize)
    ->Name("preview/decode_full_size/jpeg_12MP")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ShowPng)->Name("preview/show/png_12MP")->Unit(benchmark::kMillisecond);
BENCHMARK(ShowBmp)->Name("preview/show/bmp_12MP")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
