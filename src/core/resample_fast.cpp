// The fast resampler: the same weights, the same order of contributors and the same
// bytes as the plain one (see resample_kernels.h for why), computed eight samples at a
// time, with the vertical pass walking rows instead of columns, and rows split among
// threads.
#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "contributors.h"
#include "pixel_memory.h"
#include "resample.h"
#include "resample_kernels.h"

namespace velora {

namespace {

using ext = long double;

// Weight lists in the flat form the kernels read.
struct PreparedLists {
  std::vector<int> pixels;
  std::vector<float> weights;
  std::vector<FastList> lists;

  explicit PreparedLists(const std::vector<ContributorList>& source) {
    size_t total = 0;
    for (const auto& l : source) total += l.size();
    pixels.reserve(total);
    weights.reserve(total);
    for (const auto& l : source) {
      for (const Contributor& c : l) {
        pixels.push_back(c.Pixel);
        weights.push_back(c.Weight);
      }
    }
    size_t offset = 0;
    for (const auto& l : source) {
      double absSum = 0;
      for (const Contributor& c : l) absSum += std::fabs(static_cast<double>(c.Weight));
      lists.push_back({pixels.data() + offset, weights.data() + offset, static_cast<int>(l.size()),
                       ErrorBound(static_cast<int>(l.size()), absSum)});
      offset += l.size();
    }
  }
};

struct Kernels {
  decltype(&sse2::HorizontalBlock) horizontal;
  decltype(&sse2::VerticalRow) vertical;
};

constexpr Kernels kSse2{&sse2::HorizontalBlock, &sse2::VerticalRow};
constexpr Kernels kAvx2{&avx2::HorizontalBlock, &avx2::VerticalRow};

const Kernels& ChooseKernels(KernelSet set) {
  if (set == KernelSet::Sse2 || !HasAvx2Kernels()) return kSse2;
  return kAvx2;
}

uint8_t MeanOf(const uint8_t* base, ptrdiff_t step, int n) {
  uint64_t sum = 0;
  for (int p = 0; p < n; ++p) sum += base[p * step];
  return static_cast<uint8_t>(DivideHalfEven(sum, static_cast<uint64_t>(n)));
}

// Runs body(begin, end) over [0, count) split into up to `threads` contiguous parts.
template <class Body>
void Split(int count, int threads, Body body) {
  threads = std::max(1, std::min(threads, count));
  if (threads == 1) {
    body(0, count);
    return;
  }
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t) {
    workers.emplace_back([=] { body(count * t / threads, count * (t + 1) / threads); });
  }
  body(0, count / threads);
  for (auto& w : workers) w.join();
}

}  // namespace

bool HasAvx2Kernels() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has;
}

float ErrorBound(int count, double absWeightSum) {
  // Each of the count steps of either sum rounds the running sum (relative error u); the
  // fast sum may also round each product. The running sums never exceed
  // 255 x absWeightSum grown by (1 + u) per step. The margin covers the rounding of
  // this bound itself.
  const double u = std::ldexp(1.0, -24) * (1 + std::ldexp(1.0, -30));
  const double p = 255.0 * absWeightSum;
  const double growth = std::pow(1 + u, 2.0 * count + 2);
  return static_cast<float>(u * p * (2.0 * count + 2) * growth * 1.01 + 1e-30);
}

uint8_t ExactSample(const FastList& list, const uint8_t* base, ptrdiff_t step) {
  float sum = 0;
  for (int k = 0; k < list.Count; ++k) {
    sum = static_cast<float>(static_cast<ext>(sum) + static_cast<ext>(base[list.Pixels[k] * step]) *
                                                         static_cast<ext>(list.Weights[k]));
  }
  if (sum > 255) return 255;
  if (sum < 0) return 0;
  // Adding and subtracting 2^23 rounds a float from 0 to 255 to the nearest integer,
  // ties to even, as RoundHalfEven does.
  const float shifted = sum + 8388608.0f;
  return static_cast<uint8_t>(shifted - 8388608.0f);
}

void ResampleFast(TBitmap& source, TBitmap& target, TKernel kernel, float support, int threads,
                  KernelSet kernels) {
  const int dw = target.Width(), dh = target.Height();
  const int sw = source.Width(), sh = source.Height();
  if (sw < 1 || sh < 1) throw Exception("Source bitmap too small");
  if (dw < 1 || dh < 1) throw Exception("Target bitmap too small");
  source.SetPixelDepth(PixelDepth::pf24bit);
  target.SetPixelDepth(PixelDepth::pf24bit);
  const Kernels& k = ChooseKernels(kernels);

  // The work image: dw pixels by sh rows of final bytes, top row first.
  const ptrdiff_t workStride = (3 * static_cast<ptrdiff_t>(dw) + 15) / 16 * 16;
  const uint64_t workBytes = static_cast<uint64_t>(workStride) * static_cast<uint64_t>(sh);
  if (workBytes > kMaxPixelBytes) throw EOutOfMemory("Out of memory");
  PixelMemory work = AllocatePixels(workBytes, false);
  if (!work) throw EOutOfMemory("Out of memory");

  // Horizontal pass, eight source rows at a time.
  const bool rowMean = dw == 1 && sw > 1;
  {
    const PreparedLists lists(rowMean
                                  ? std::vector<ContributorList>{}
                                  : BuildContributors(dw, AxisScale(dw, sw), support, sw, kernel));
    const int blocks = (sh + 7) / 8;
    Split(blocks, threads, [&](int first, int last) {
      std::vector<float> f(rowMean ? 0 : static_cast<size_t>(sw) * 24 + 8);
      std::vector<float> g(rowMean ? 0 : static_cast<size_t>(dw) * 24);
      for (int block = first; block < last; ++block) {
        const int top = block * 8;
        const int rows = std::min(8, sh - top);
        const uint8_t* in[8];
        uint8_t* out[8];
        for (int r = 0; r < 8; ++r) {
          const int y = top + std::min(r, rows - 1);
          in[r] = source.ConstRowAddress(y);
          out[r] = work.get() + workStride * y;
        }
        if (rowMean) {
          for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 3; ++c) out[r][c] = MeanOf(in[r] + c, 3, sw);
          }
        } else {
          k.horizontal(in, sw, lists.lists.data(), dw, out, rows, f.data(), g.data());
        }
      }
    });
  }

  // Vertical pass, one output row at a time.
  {
    const bool columnMean = dh == 1 && sh > 1;
    const PreparedLists lists(columnMean
                                  ? std::vector<ContributorList>{}
                                  : BuildContributors(dh, AxisScale(dh, sh), support, sh, kernel));
    uint8_t* targetTop = target.RowAddress(0);
    const ptrdiff_t targetStep = target.RowStep();
    Split(dh, threads, [&](int first, int last) {
      for (int i = first; i < last; ++i) {
        uint8_t* out = targetTop + i * targetStep;
        if (columnMean) {
          for (int b = 0; b < 3 * dw; ++b) out[b] = MeanOf(work.get() + b, workStride, sh);
        } else {
          k.vertical(work.get(), workStride, lists.lists[static_cast<size_t>(i)], 3 * dw, out);
        }
      }
    });
  }
}

}  // namespace velora
