// What turning photos upright costs: a 12-megapixel photo (4000 x 3000 stored, 4:2:0,
// quality 90) converted as the conversion does it, in memory (decode, resample to half
// size with Mitchell, encode at quality 74), without an orientation tag and with tags
// 3, 6 and 8. The variants run in turn inside every iteration, so the machine's drifts
// touch them alike; the counters are medians in milliseconds and ratios to the photo
// without a tag. "turned first" is what streaming avoids: decoding the whole picture,
// turning it (TurnUpright), then resampling.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_timing.h"
#include "jpeg/jpeg.h"
#include "picture/orientation.h"
#include "resample/resample.h"

using namespace velora;
using velora::bench::CpuMilliseconds;
using velora::bench::Median;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// Smooth colour fields with sensor-like noise, so decoding costs what a photo's does.
std::vector<uint8_t> PhotoJpeg() {
  TBitmap bitmap;
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(kWidth, kHeight);
  std::mt19937 rng(12);
  std::normal_distribution<float> noise(0.0f, 4.0f);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < kWidth; ++x) {
      const float u = x / 700.0f, v = y / 500.0f;
      const float base[3] = {128 + 90 * std::sin(u + 0.3f * v), 128 + 80 * std::cos(0.7f * u - v),
                             128 + 70 * std::sin(1.3f * v + 0.2f * u * u)};
      for (int c = 0; c < 3; ++c) {
        row[3 * x + c] = static_cast<uint8_t>(std::clamp(base[c] + noise(rng), 0.0f, 255.0f));
      }
    }
  }
  TJPEGImage jpeg;
  jpeg.EncodeQuality = 90;
  jpeg.CopyGraphic(&bitmap);
  jpeg.EncodeJpeg();
  return jpeg.CompressedBytes();
}

// An APP1 segment with an EXIF block holding only the orientation, after SOI.
std::vector<uint8_t> WithOrientation(const std::vector<uint8_t>& jpeg, int orientation) {
  const uint8_t exif[] = {'E', 'x',  'i',  'f', 0,
                          0,   'I',  'I',  42,  0,
                          8,   0,    0,    0,   1,
                          0,   0x12, 0x01, 3,   0,
                          1,   0,    0,    0,   static_cast<uint8_t>(orientation),
                          0,   0,    0,    0,   0,
                          0,   0};
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), {0xFF, 0xE1, 0, static_cast<uint8_t>(sizeof exif + 2)});
  out.insert(out.end(), std::begin(exif), std::end(exif));
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

struct Variant {
  std::string name;
  int orientation;
  bool turnFirst;
  int threads;
};

// Load, resample to half the upright size, encode: the conversion without the file.
void Convert(const std::vector<uint8_t>& file, const Variant& v) {
  TJPEGImage source;
  TBytesStream stream(file.data(), file.size());
  source.LoadFromStream(stream);
  TBitmap target;
  target.SetPixelDepth(PixelDepth::pf24bit);
  target.SetSizeForOverwrite(UprightWidth(source) / 2, UprightHeight(source) / 2);
  if (v.turnFirst) {
    TBitmap upright;
    CopyUpright(source, upright);
    ResampleFast(upright, target, &MitchellKernel, 2.0f, v.threads);
  } else {
    ResampleGraphic(source, target, &MitchellKernel, 2.0f, v.threads, source.Orientation());
  }
  TJPEGImage out;
  out.EncodeQuality = 74;
  out.CopyGraphic(&target);
  out.EncodeJpeg();
  benchmark::DoNotOptimize(out.CompressedBytes().data());
}

void PhotoOrientation(benchmark::State& state) {
  const int all = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const std::vector<Variant> variants = {
      {"none", 1, false, 1},
      {"tag3", 3, false, 1},
      {"tag6", 6, false, 1},
      {"tag8", 8, false, 1},
      {"tag6_turned_first", 6, true, 1},
      {"none_all_threads", 1, false, all},
      {"tag6_all_threads", 6, false, all},
  };
  const std::vector<uint8_t> plain = PhotoJpeg();
  std::map<int, std::vector<uint8_t>> files;
  for (const Variant& v : variants) {
    if (!files.count(v.orientation))
      files[v.orientation] = v.orientation == 1 ? plain : WithOrientation(plain, v.orientation);
  }
  std::map<std::string, std::vector<double>> ms;
  size_t round = 0;
  for (auto _ : state) {
    for (size_t i = 0; i < variants.size(); ++i) {
      const Variant& v = variants[(i + round) % variants.size()];
      const double start = CpuMilliseconds();
      Convert(files[v.orientation], v);
      ms[v.name].push_back(CpuMilliseconds() - start);
    }
    ++round;
  }
  const double none = Median(ms["none"]), noneAll = Median(ms["none_all_threads"]);
  for (const Variant& v : variants) {
    const double median = Median(ms[v.name]);
    state.counters[v.name + "_ms"] = median;
    if (v.name != "none" && v.name != "none_all_threads") {
      state.counters[v.name + "/none"] = median / (v.threads > 1 ? noneAll : none);
    }
  }
}

const bool kRegistered = [] {
  benchmark::RegisterBenchmark("photo12mp/orientation", &PhotoOrientation)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(15);
  return true;
}();

}  // namespace
