// Megapixels per second of the resampler, per filter, for shrinking by 2 and by 5 and
// growing by 1.5: the plain reference against the fast one (one thread, then all), and
// the fast one on one thread with the SSE2 kernels that processors without AVX2 run.
#include <benchmark/benchmark.h>

#include <random>
#include <thread>

#include "resample/resample.h"

using namespace velora;

namespace {

// A photo-like picture: smooth gradients with noise.
const TBitmap& Source(int w, int h) {
  static TBitmap bitmap;
  if (bitmap.Width() != w || bitmap.Height() != h) {
    bitmap.SetPixelDepth(PixelDepth::pf24bit);
    bitmap.SetSize(w, h);
    std::mt19937 rng(1);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = bitmap.RowAddress(y);
      for (int x = 0; x < 3 * w; ++x)
        row[x] = static_cast<uint8_t>((x / 7 + y / 5) % 200 + rng() % 50);
    }
  }
  return bitmap;
}

enum Variant { kPlain, kFast, kFastAllThreads, kFastSse2 };

void Run(benchmark::State& state, Variant variant, int filter, double scale, int w, int h) {
  const TBitmap& src = Source(w, h);
  const int dw = static_cast<int>(w * scale), dh = static_cast<int>(h * scale);
  const int threads = static_cast<int>(std::thread::hardware_concurrency());
  for (auto _ : state) {
    TBitmap copy;
    copy.CopyGraphic(&src);
    TBitmap dst;
    dst.SetPixelDepth(PixelDepth::pf24bit);
    dst.SetSize(dw, dh);
    const TFilterRow& f = FilterTable[static_cast<size_t>(filter)];
    if (variant == kPlain) {
      ResamplePlain(copy, dst, f.Kernel, f.Support);
    } else if (variant == kFastSse2) {
      ResampleFast(copy, dst, f.Kernel, f.Support, 1, KernelSet::Sse2);
    } else {
      ResampleFast(copy, dst, f.Kernel, f.Support, variant == kFast ? 1 : threads);
    }
    benchmark::DoNotOptimize(dst.Dib().get());
  }
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(w) * h / 1e6 * state.iterations(),
                                              benchmark::Counter::kIsRate);
}

void Register() {
  struct Workload {
    const char* name;
    double scale;
    int w, h;
  } workloads[] = {
      {"shrink2", 0.5, 2000, 1500}, {"shrink5", 0.2, 2000, 1500}, {"grow1.5", 1.5, 640, 480}};
  const char* variants[] = {"plain", "fast", "fast_all_threads", "fast_sse2"};
  for (const auto& wl : workloads) {
    for (int f = 0; f < 7; ++f) {
      for (int v = 0; v < 4; ++v) {
        const std::string name = std::string(wl.name) + "/" +
                                 FilterTable[static_cast<size_t>(f)].Name + "/" + variants[v];
        benchmark::RegisterBenchmark(
            name.c_str(),
            [=](benchmark::State& s) { Run(s, static_cast<Variant>(v), f, wl.scale, wl.w, wl.h); })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(v == 0 ? 0.5 : 0.2);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
