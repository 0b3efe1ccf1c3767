// What each output format costs for one 12-megapixel output (4000 x 3000, a photo-like
// picture: smooth colour fields with sensor-like noise): the encoding time and the size of
// JPEG and WebP at the default quality 74 (WebP method 4) and of PNG at zlib levels 1, 3
// (the one written) and 6 (zlib's default); and what keeping the photo information costs
// a whole conversion of a 12-megapixel camera JPEG (decode, shrink by 2, encode) against
// removing it. Counters: milliseconds and megabytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "jobs/convert.h"
#include "jpeg/jpeg.h"
#include "jpeg/jpeg_codec.h"
#include "png/png_write.h"
#include "util/atomic_file.h"
#include "webp/webp_write.h"

using namespace velora;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

const TBitmap& Photo() {
  static const TBitmap* photo = [] {
    auto* bitmap = new TBitmap;
    bitmap->SetPixelDepth(PixelDepth::pf24bit);
    bitmap->SetSize(kWidth, kHeight);
    std::mt19937 rng(12);
    std::normal_distribution<float> noise(0.0f, 4.0f);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = bitmap->RowAddress(y);
      for (int x = 0; x < kWidth; ++x) {
        const float u = x / 700.0f, v = y / 500.0f;
        const float base[3] = {128 + 90 * std::sin(u + 0.3f * v), 128 + 80 * std::cos(0.7f * u - v),
                               128 + 70 * std::sin(1.3f * v + 0.2f * u * u)};
        for (int c = 0; c < 3; ++c)
          row[3 * x + c] = static_cast<uint8_t>(std::clamp(base[c] + noise(rng), 0.0f, 255.0f));
      }
    }
    return bitmap;
  }();
  return *photo;
}

void Report(benchmark::State& state, size_t bytes) {
  state.counters["MB"] = bytes / 1e6;
}

void BM_Output_Jpeg(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) bytes = EncodeJpegBytes(Photo(), 74, false, false).size();
  Report(state, bytes);
}

void BM_Output_Png(benchmark::State& state) {
  PngWriteOptions options;
  options.CompressionLevel = static_cast<int>(state.range(0));
  size_t bytes = 0;
  for (auto _ : state) bytes = EncodePngBytes(Photo(), options).size();
  Report(state, bytes);
}

void BM_Output_Webp(benchmark::State& state) {
  WebpWriteOptions options;
  options.Quality = 74;
  size_t bytes = 0;
  for (auto _ : state) bytes = EncodeWebpBytes(Photo(), options).size();
  Report(state, bytes);
}

// A camera JPEG with a typical EXIF block (camera, date, exposure, GPS, thumbnail is left
// out: its size does not matter to the editing) in a temporary folder.
struct CameraFile {
  std::string folder, source;
  CameraFile() {
    folder = std::filesystem::temp_directory_path() / "velora-bench-output";
    std::filesystem::create_directories(folder + "/Output");
    source = folder + "/camera.jpg";
    std::vector<uint8_t> jpeg = EncodeJpegBytes(Photo(), 90, false, false);
    // "Exif\0\0", a little-endian TIFF header and IFD0 with Make and Orientation 6.
    const uint8_t exif[] = {'E', 'x',  'i',  'f', 0, 0, 'I', 'I', 42, 0,   8,   0,   0, 0,    2,
                            0,   0x0F, 0x01, 2,   0, 4, 0,   0,   0,  'C', 'a', 'm', 0, 0x12, 0x01,
                            3,   0,    1,    0,   0, 0, 6,   0,   0,  0,   0,   0,   0, 0};
    std::vector<uint8_t> file(jpeg.begin(), jpeg.begin() + 2);
    file.insert(file.end(), {0xFF, 0xE1, 0, static_cast<uint8_t>(sizeof exif + 2)});
    file.insert(file.end(), exif, exif + sizeof exif);
    file.insert(file.end(), jpeg.begin() + 2, jpeg.end());
    WriteFileAtomically(source, file.data(), file.size());
  }
  ~CameraFile() { std::filesystem::remove_all(folder); }
};

// Removing and keeping run in turn inside every iteration, so drifts touch both alike.
void BM_Output_KeepMetadata(benchmark::State& state) {
  static CameraFile camera;
  std::vector<double> removed, kept;
  for (auto _ : state) {
    for (MetadataChoice choice : {MetadataChoice::None, MetadataChoice::All}) {
      ResizeSettings settings;
      settings.Metadata = choice;
      TPicture preview;
      const auto start = std::chrono::steady_clock::now();
      ConvertImage(settings, camera.source, camera.folder + "/Output/", preview, ConvertHooks{});
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      (choice == MetadataChoice::None ? removed : kept).push_back(took.count());
    }
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  state.counters["removed_ms"] = median(removed);
  state.counters["kept_ms"] = median(kept);
}

}  // namespace

BENCHMARK(BM_Output_Jpeg)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Output_Png)->Arg(1)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Output_Webp)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Output_KeepMetadata)->Unit(benchmark::kMillisecond)->MinTime(10);
