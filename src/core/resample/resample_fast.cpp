// The fast resampler: the same weights, the same order of contributors and the same
// bytes as the plain one (see resample_kernels.h for why), computed four or eight samples
// at a time. Output rows are made in order, each from work rows that are made just before
// they are first needed and kept in a small ring, so the work image never leaves the
// processor's caches. Output rows are split among threads; a thread makes the work rows
// it needs itself.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

#include "picture/orientation.h"
#include "resample/contributors.h"
#include "resample/resample.h"
#include "resample/resample_kernels.h"

namespace velora {

namespace {

using ext = long double;

// Weight lists in the flat form the kernels read, each padded to the longest.
struct PreparedLists {
  std::vector<int> pixels;
  std::vector<ptrdiff_t> offsets;
  std::vector<float> weights;
  std::vector<FastList> lists;

  PreparedLists(const std::vector<ContributorList>& source, int lanes) {
    size_t longest = 0;
    for (const auto& l : source) longest = std::max(longest, l.size());
    pixels.assign(source.size() * longest, 0);
    offsets.assign(source.size() * longest, 0);
    weights.assign(source.size() * longest, 0.0f);
    for (size_t i = 0; i < source.size(); ++i) {
      const ContributorList& l = source[i];
      int* p = pixels.data() + i * longest;
      float* w = weights.data() + i * longest;
      int lo = l.empty() ? 0 : l[0].Pixel, hi = lo;
      for (size_t k = 0; k < l.size(); ++k) {
        p[k] = l[k].Pixel;
        w[k] = l[k].Weight;
        lo = std::min(lo, l[k].Pixel);
        hi = std::max(hi, l[k].Pixel);
      }
      for (size_t k = l.size(); k < longest; ++k) p[k] = lo;  // weight 0
      ptrdiff_t* o = offsets.data() + i * longest;
      for (size_t k = 0; k < longest; ++k) o[k] = ptrdiff_t{p[k]} * 3 * lanes;
      lists.push_back({p, o, w, static_cast<int>(l.size()), static_cast<int>(longest),
                       ErrorBound(w, static_cast<int>(l.size())), lo, hi});
    }
  }
};

struct Kernels {
  decltype(&sse2::HorizontalBlock) horizontal;
  decltype(&sse2::VerticalRows) vertical;
  decltype(&sse2::HorizontalByteBlock) horizontalBytes;
  decltype(&sse2::VerticalByteRows) verticalBytes;
  int rows;  // rows per horizontal block
};

constexpr Kernels kSse2{&sse2::HorizontalBlock, &sse2::VerticalRows, &sse2::HorizontalByteBlock,
                        &sse2::VerticalByteRows, kRows};
constexpr Kernels kAvx2{&avx2::HorizontalBlock, &avx2::VerticalRows, &avx2::HorizontalByteBlock,
                        &avx2::VerticalByteRows, kRows};

// VELORA_KERNELS=sse2 in the environment makes the SSE2 kernels the best ones, so that
// benchmarks and tests of the whole program can measure what a processor without AVX2
// runs. Nothing else reads it.
bool Sse2Forced() {
  static const bool forced = [] {
    const char* value = std::getenv("VELORA_KERNELS");
    return value != nullptr && std::strcmp(value, "sse2") == 0;
  }();
  return forced;
}

const Kernels& ChooseKernels(KernelSet set) {
  if (set == KernelSet::Best && Sse2Forced()) return kSse2;
  return set != KernelSet::Sse2 && HasAvx2Kernels() ? kAvx2 : kSse2;
}

int RoundUp(int n, int step) {
  return (n + step - 1) / step * step;
}

// Copies a row of 3-byte pixels in reverse order. Each pixel moves as four bytes, the
// fourth overwritten by the next pixel, so `from` needs one byte after its pixels.
void CopyMirrored(const uint8_t* from, uint8_t* to, int width) {
  if (width < 1) return;
  for (int x = 0; x + 1 < width; ++x) std::memcpy(to + 3 * x, from + 3 * (width - 1 - x), 4);
  std::memcpy(to + 3 * (width - 1), from, 3);
}

// The weight lists of one axis, `outLength` outputs from a line of `inLength` inputs.
// Reversed, for a line read back to front: output i takes the list of output
// outLength - 1 - i with each input p read at inLength - 1 - p. The sums and their
// order are those of the line read front to back, so the results are too (output i of
// the reversed lists is output outLength - 1 - i of the line), and the inputs are still
// needed from the first to the last, so rows can still come in order from a stream.
std::vector<ContributorList> AxisLists(int outLength, int inLength, float support, TKernel kernel,
                                       bool reversed) {
  std::vector<ContributorList> lists =
      BuildContributors(outLength, AxisScale(outLength, inLength), support, inLength, kernel);
  if (!reversed) return lists;
  std::reverse(lists.begin(), lists.end());
  for (ContributorList& list : lists) {
    for (Contributor& c : list) c.Pixel = inLength - 1 - c.Pixel;
  }
  return lists;
}

// Where source rows come from: a bitmap, or a stream asked for rows in increasing order.
struct SourceRows {
  int width;
  int height;
  std::function<const uint8_t*(int y)> row;
  int rowsKept;  // a row stays readable until this many further rows were asked for
};

// Makes output rows [first, last) of the target.
class Band {
 public:
  // With `mirrored`, the horizontal lists make each work row right to left (see
  // AxisLists), and each output row is turned round as it goes into the target.
  Band(const SourceRows& source, const PreparedLists& horizontal, const PreparedLists& vertical,
       int dw, const Kernels& kernels, bool mirrored = false)
      : source_(source),
        horizontal_(horizontal),
        vertical_(vertical),
        dw_(dw),
        kernels_(kernels),
        lanes_(kernels.rows),
        sw_(source.width),
        sh_(source.height),
        rowFloats_(RoundUp(3 * dw, 16)),
        mirrored_(mirrored) {}

  void Run(int first, int last, uint8_t* targetTop, ptrdiff_t targetStep) {
    if (first >= last) return;
    // The ring must hold every row a group of output rows reads, counted back from the end
    // of the last block made so far.
    int lowest = sh_, end = 0, capacity = lanes_;
    for (int i = first; i < last; i += kVerticalGroup) {
      int groupLowest = sh_;
      for (int j = i; j < std::min(last, i + kVerticalGroup); ++j) {
        const FastList& l = vertical_.lists[static_cast<size_t>(j)];
        groupLowest = std::min(groupLowest, l.MinPixel);
        end = std::max(end, RoundUp(l.MaxPixel + 1, lanes_));
      }
      lowest = std::min(lowest, groupLowest);
      capacity = std::max(capacity, end - groupLowest);
    }
    capacity_ = std::min(RoundUp(capacity, lanes_), RoundUp(sh_, lanes_));
    ring_.resize(static_cast<size_t>(capacity_) * static_cast<size_t>(rowFloats_));
    f_.resize(static_cast<size_t>(sw_) * 3 * static_cast<size_t>(lanes_) + 8);
    g_.resize(static_cast<size_t>(kHorizontalColumns) * 3 * static_cast<size_t>(lanes_));
    made_ = lowest / lanes_ * lanes_;
    if (mirrored_) mirror_.resize(static_cast<size_t>(kVerticalGroup) * (3 * dw_ + 1));

    std::vector<const float*> rows[kVerticalGroup];
    const float* const* rowsOf[kVerticalGroup];
    const FastList* lists[kVerticalGroup];
    uint8_t* out[kVerticalGroup];
    for (int i = first; i < last; i += kVerticalGroup) {
      const int count = std::min(kVerticalGroup, last - i);
      for (int j = 0; j < count; ++j) {
        const FastList& l = vertical_.lists[static_cast<size_t>(i + j)];
        while (made_ <= l.MaxPixel) MakeBlock();
      }
      for (int j = 0; j < count; ++j) {
        const FastList& l = vertical_.lists[static_cast<size_t>(i + j)];
        rows[j].resize(static_cast<size_t>(l.Count));
        for (int k = 0; k < l.Count; ++k) rows[j][static_cast<size_t>(k)] = Row(l.Pixels[k]);
        rowsOf[j] = rows[j].data();
        lists[j] = &l;
        out[j] = mirrored_ ? mirror_.data() + static_cast<size_t>(j) * (3 * dw_ + 1)
                           : targetTop + (i + j) * targetStep;
      }
      kernels_.vertical(rowsOf, lists, count, 3 * dw_, out);
      if (mirrored_) {
        for (int j = 0; j < count; ++j) CopyMirrored(out[j], targetTop + (i + j) * targetStep, dw_);
      }
    }
  }

 private:
  float* Row(int y) {
    return ring_.data() + static_cast<size_t>(y % capacity_) * static_cast<size_t>(rowFloats_);
  }

  // The work rows made_ .. made_ + lanes_ - 1 (those inside the picture).
  void MakeBlock() {
    const int rows = std::min(lanes_, sh_ - made_);
    const uint8_t* in[16];
    float* out[16];
    for (int r = 0; r < lanes_; ++r) {
      const int y = made_ + std::min(r, rows - 1);
      in[r] = source_.row(y);
      out[r] = Row(y);
    }
    kernels_.horizontal(in, sw_, horizontal_.lists.data(), dw_, out, rows, f_.data(), g_.data());
    made_ += lanes_;
  }

  const SourceRows& source_;
  const PreparedLists& horizontal_;
  const PreparedLists& vertical_;
  const int dw_;
  const Kernels& kernels_;
  const int lanes_, sw_, sh_, rowFloats_;
  const bool mirrored_;
  int capacity_ = 0;
  int made_ = 0;
  // Scratch kept per thread from one picture to the next, so it is not faulted in anew.
  static thread_local std::vector<float> ring_, f_, g_;
  static thread_local std::vector<uint8_t> mirror_;  // output rows before they are turned
};

thread_local std::vector<float> Band::ring_, Band::f_, Band::g_;
thread_local std::vector<uint8_t> Band::mirror_;

// Makes the target for an orientation that exchanges width and height (5 to 8), without
// turning the picture first. The upright picture's rows are the stored picture's
// columns, so its first pass (along upright rows) runs down the stored columns: the
// vertical kernel makes work row a from whole stored rows, kept as they come in a ring
// (of bytes, small enough for the second-level cache). Work row a holds target column a
// (dw - 1 - a with reversed rows), in the order of the stored columns. The second pass
// runs along eight work rows at a time with the horizontal kernel; its results, a few
// dozen target columns, are then written across the target's rows together. Each sample
// is the same sum of the same products as in the passes over the turned picture, so the
// bytes are those of resampling the turned picture.
class TransposedBand {
 public:
  // `down` holds one list over stored rows per work row, `along` one list over stored
  // columns per target row; `placement` says whether they were built reversed.
  TransposedBand(const SourceRows& source, const PreparedLists& down, const PreparedLists& along,
                 const StoredPlacement& placement, const Kernels& kernels)
      : source_(source),
        down_(down),
        along_(along),
        placement_(placement),
        kernels_(kernels),
        lanes_(kernels.rows),
        sw_(source.width),
        sh_(source.height),
        dw_(static_cast<int>(down.lists.size())),
        dh_(static_cast<int>(along.lists.size())),
        rowBytes_(RoundUp(3 * sw_, 16)),
        columnBytes_(RoundUp(3 * dh_ + 1, 16)) {}  // a spare byte for WriteColumns

  // Makes the target columns of work rows [first, last).
  void Run(int first, int last, uint8_t* targetTop, ptrdiff_t targetStep) {
    if (first >= last) return;
    // The ring must hold every stored row a group of work rows reads, counted back from
    // the last row taken so far.
    int lowest = sh_, end = 0, capacity = 1;
    for (int i = first; i < last; i += kVerticalGroup) {
      int groupLowest = sh_;
      for (int j = i; j < std::min(last, i + kVerticalGroup); ++j) {
        const FastList& l = down_.lists[static_cast<size_t>(j)];
        groupLowest = std::min(groupLowest, l.MinPixel);
        end = std::max(end, l.MaxPixel + 1);
      }
      lowest = std::min(lowest, groupLowest);
      capacity = std::max(capacity, end - groupLowest);
    }
    capacity_ = std::min(capacity, sh_);
    // Rows the source keeps long enough are read where they are; others are copied.
    copyRows_ = capacity_ > source_.rowsKept;
    rows_.assign(static_cast<size_t>(capacity_), nullptr);
    if (copyRows_) ring_.resize(static_cast<size_t>(capacity_) * static_cast<size_t>(rowBytes_));
    work_.resize(static_cast<size_t>(lanes_) * static_cast<size_t>(rowBytes_));
    columns_.resize(static_cast<size_t>(kColumnsAtOnce) * static_cast<size_t>(columnBytes_));
    f_.resize(static_cast<size_t>(sw_) * 3 * static_cast<size_t>(lanes_) + 8);
    g_.resize(static_cast<size_t>(kHorizontalColumns) * 3 * static_cast<size_t>(lanes_));
    made_ = lowest;
    for (int start = first; start < last; start += kColumnsAtOnce) {
      const int columns = std::min(kColumnsAtOnce, last - start);
      for (int block = start; block < start + columns; block += lanes_) {
        const int rows = std::min(lanes_, start + columns - block);
        MakeWorkRows(block, rows);
        AlongWorkRows(block - start, rows);
      }
      WriteColumns(start, columns, targetTop, targetStep);
    }
  }

 private:
  // Target columns written together: whole cache lines of each target row at a time.
  static constexpr int kColumnsAtOnce = 32;

  const uint8_t* Ring(int y) const { return rows_[static_cast<size_t>(y % capacity_)]; }
  uint8_t* WorkRow(int r) { return work_.data() + static_cast<size_t>(r) * rowBytes_; }
  uint8_t* Column(int c) const { return columns_.data() + static_cast<size_t>(c) * columnBytes_; }

  // Stored row made_ into the ring.
  void TakeRow() {
    const size_t slot = static_cast<size_t>(made_ % capacity_);
    const uint8_t* row = source_.row(made_);
    if (copyRows_) {
      uint8_t* copy = ring_.data() + slot * static_cast<size_t>(rowBytes_);
      std::memcpy(copy, row, 3 * static_cast<size_t>(sw_));
      row = copy;
    }
    rows_[slot] = row;
    ++made_;
  }

  // Work rows [block, block + rows) into WorkRow(0 ..), a group at a time.
  void MakeWorkRows(int block, int rows) {
    std::vector<const uint8_t*> rowsOfList[kVerticalGroup];
    const uint8_t* const* rowsOf[kVerticalGroup];
    const FastList* lists[kVerticalGroup];
    uint8_t* out[kVerticalGroup];
    for (int i = block; i < block + rows; i += kVerticalGroup) {
      const int count = std::min(kVerticalGroup, block + rows - i);
      for (int j = 0; j < count; ++j) {
        const FastList& l = down_.lists[static_cast<size_t>(i + j)];
        while (made_ <= l.MaxPixel) TakeRow();
      }
      for (int j = 0; j < count; ++j) {
        const FastList& l = down_.lists[static_cast<size_t>(i + j)];
        rowsOfList[j].resize(static_cast<size_t>(l.Count));
        for (int k = 0; k < l.Count; ++k) rowsOfList[j][static_cast<size_t>(k)] = Ring(l.Pixels[k]);
        rowsOf[j] = rowsOfList[j].data();
        lists[j] = &l;
        out[j] = WorkRow(i + j - block);
      }
      kernels_.verticalBytes(rowsOf, lists, count, 3 * sw_, out);
    }
  }

  // The second pass over WorkRow(0 .. rows - 1), into Column(column ..).
  void AlongWorkRows(int column, int rows) {
    const uint8_t* in[16];
    uint8_t* out[16];
    for (int r = 0; r < lanes_; ++r) {
      in[r] = WorkRow(std::min(r, rows - 1));
      out[r] = Column(column + std::min(r, rows - 1));
    }
    kernels_.horizontalBytes(in, sw_, along_.lists.data(), dh_, out, rows, f_.data(), g_.data());
  }

  // Column(0 .. columns - 1), the target columns of work rows start .., into the target.
  // The pixels of a few target rows are gathered in a tile in the first-level cache, then
  // each target row's run is written in one go.
  void WriteColumns(int start, int columns, uint8_t* targetTop, ptrdiff_t targetStep) const {
    constexpr int kTileRows = 16;
    // The tile runs left to right; with reversed rows the columns run leftwards from
    // dw - 1 - start, so the last of them is the leftmost.
    const uint8_t* column[kColumnsAtOnce];
    for (int c = 0; c < columns; ++c) {
      column[c] = Column(placement_.reverseRows ? columns - 1 - c : c);
    }
    const int left = placement_.reverseRows ? dw_ - start - columns : start;
    const size_t run = 3 * static_cast<size_t>(columns);
    // One byte more than the pixels: each pixel is moved as four bytes, the fourth
    // overwritten by the next pixel (or landing in that spare byte).
    uint8_t tile[kTileRows][3 * kColumnsAtOnce + 1];
    auto target = [&](int j) {
      const int y = placement_.reverseColumns ? dh_ - 1 - j : j;
      return targetTop + y * targetStep + 3 * static_cast<ptrdiff_t>(left);
    };
    for (int top = 0; top < dh_; top += kTileRows) {
      const int rows = std::min(kTileRows, dh_ - top);
      // The target rows lie more than a page apart, where the processor does not fetch
      // ahead by itself: ask for the next tile's runs while this one is gathered.
      for (int j = top + kTileRows; j < std::min(dh_, top + 2 * kTileRows); ++j) {
        const uint8_t* at = target(j);
        for (size_t b = 0; b < run; b += 64) __builtin_prefetch(at + b, 1);
        __builtin_prefetch(at + run - 1, 1);
      }
      for (int c = 0; c < columns; ++c) {
        const uint8_t* v = column[c] + 3 * static_cast<size_t>(top);
        for (int r = 0; r < rows; ++r) std::memcpy(&tile[r][3 * c], v + 3 * r, 4);
      }
      for (int r = 0; r < rows; ++r) std::memcpy(target(top + r), tile[r], run);
    }
  }

  const SourceRows& source_;
  const PreparedLists& down_;
  const PreparedLists& along_;
  const StoredPlacement placement_;
  const Kernels& kernels_;
  const int lanes_, sw_, sh_, dw_, dh_, rowBytes_, columnBytes_;
  int capacity_ = 1;
  int made_ = 0;
  bool copyRows_ = false;
  std::vector<const uint8_t*> rows_;  // the ring: stored row y at y % capacity_
  // Scratch kept per thread from one picture to the next.
  static thread_local std::vector<float> f_, g_;
  static thread_local std::vector<uint8_t> ring_, work_, columns_;
};

thread_local std::vector<float> TransposedBand::f_, TransposedBand::g_;
thread_local std::vector<uint8_t> TransposedBand::ring_, TransposedBand::work_,
    TransposedBand::columns_;

}  // namespace

bool HasAvx2Kernels() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has;
}

float ErrorBound(const float* weights, int count) {
  // The rounding of a sum is at most u times the sum, and a running sum is at most 255
  // times the absolute weights it has taken in (grown by at most (1 + u) per step). So
  // each order's error is at most u x 255 x the total of its running absolute sums.
  double rule = 0, total = 0, even = 0, odd = 0, evenOdd = 0;
  for (int k = 0; k < count; ++k) {
    const double a = std::fabs(static_cast<double>(weights[k]));
    total += a;
    rule += total;  // the rule's running sums, also the fast sum in the rule's order
    if (k % 2 == 0) {
      even += a;
      evenOdd += even;
    } else {
      odd += a;
      evenOdd += odd;
    }
  }
  evenOdd += total;  // even and odd sums added at the end
  // R's roundings, A's roundings in the worse of its two orders, and A's rounding of each
  // product where there is no fused multiply-add. u covers extended precision's own
  // rounding before the float one. The margin covers the rounding of this bound, and the
  // absolute term the rounding of 0.5 - eps to a float in the kernels' test.
  const double u = std::ldexp(1.0, -24) * (1 + std::ldexp(1.0, -30));
  const double growth = std::pow(1 + u, count + 2.0);
  const double bound = u * 255.0 * growth * (rule + std::max(rule, evenOdd) + total);
  return static_cast<float>(bound * 1.01 + 1e-7);
}

namespace {

// The byte of a final sum: 255 above 255, 0 below 0, else the nearest integer, ties to
// even (adding and subtracting 2^23 rounds a float of 0..255 that way).
float SumToByte(float sum) {
  if (sum > 255) return 255;
  if (sum < 0) return 0;
  const float shifted = sum + 8388608.0f;
  return shifted - 8388608.0f;
}

}  // namespace

uint8_t ExactSample(const FastList& list, const uint8_t* base, ptrdiff_t step) {
  float sum = 0;
  for (int k = 0; k < list.Count; ++k) {
    sum = static_cast<float>(static_cast<ext>(sum) + static_cast<ext>(base[list.Pixels[k] * step]) *
                                                         static_cast<ext>(list.Weights[k]));
  }
  return static_cast<uint8_t>(SumToByte(sum));
}

namespace {

template <class Sample>
float SumRows(const FastList& list, const Sample* const* rows, int offset) {
  float sum = 0;
  for (int k = 0; k < list.Count; ++k) {
    sum = static_cast<float>(static_cast<ext>(sum) +
                             static_cast<ext>(rows[k][offset]) * static_cast<ext>(list.Weights[k]));
  }
  return SumToByte(sum);
}

}  // namespace

float ExactSampleRows(const FastList& list, const float* const* rows, int offset) {
  return SumRows(list, rows, offset);
}

float ExactSampleRows(const FastList& list, const uint8_t* const* rows, int offset) {
  return SumRows(list, rows, offset);
}

namespace {

// Resamples the source rows into the target (whose size is the requested one), turned
// upright for the orientation on the way, on up to `threads` threads; a source that
// gives its rows only in order allows one thread.
void ResampleRowsInto(const SourceRows& source, TBitmap& target, TKernel kernel, float support,
                      int threads, KernelSet kernels, int orientation) {
  const int dw = target.Width(), dh = target.Height();
  const int sw = source.width, sh = source.height;
  const StoredPlacement place = PlacementOf(orientation);
  target.SetPixelDepth(PixelDepth::pf24bit);
  const Kernels& k = ChooseKernels(kernels);
  uint8_t* targetTop = target.RowAddress(0);
  ptrdiff_t targetStep = target.RowStep();

  // Small pictures are not worth a thread; bands of at least 64 rows (target columns when
  // the sides are exchanged).
  const int bandOf = place.transposed ? dw : dh;
  threads = std::max(1, std::min(threads, bandOf / 64));
  std::function<void(int, int)> run;
  std::unique_ptr<PreparedLists> first, second;
  if (place.transposed) {
    first = std::make_unique<PreparedLists>(AxisLists(dw, sh, support, kernel, place.reverseRows),
                                            k.rows);
    second = std::make_unique<PreparedLists>(
        AxisLists(dh, sw, support, kernel, place.reverseColumns), k.rows);
    run = [&](int from, int to) {
      TransposedBand(source, *first, *second, place, k).Run(from, to, targetTop, targetStep);
    };
  } else {
    // Reversed rows: output row i of the vertical lists is target row dh - 1 - i.
    if (place.reverseRows) {
      targetTop += (dh - 1) * targetStep;
      targetStep = -targetStep;
    }
    first = std::make_unique<PreparedLists>(
        AxisLists(dw, sw, support, kernel, place.reverseColumns), k.rows);
    second = std::make_unique<PreparedLists>(AxisLists(dh, sh, support, kernel, place.reverseRows),
                                             k.rows);
    run = [&](int from, int to) {
      Band(source, *first, *second, dw, k, place.reverseColumns)
          .Run(from, to, targetTop, targetStep);
    };
  }
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t) {
    workers.emplace_back([&, t] { run(bandOf * t / threads, bandOf * (t + 1) / threads); });
  }
  run(0, bandOf / threads);
  for (auto& w : workers) w.join();
}

// One sample from a longer line is that line's mean: cheap, and left to the plain code.
bool TakesAMean(int dw, int dh, int sw, int sh) {
  return (dw == 1 && sw > 1) || (dh == 1 && sh > 1);
}

}  // namespace

void ResampleFast(TBitmap& source, TBitmap& target, TKernel kernel, float support, int threads,
                  KernelSet kernels, int orientation) {
  const int dw = target.Width(), dh = target.Height();
  const int sw = source.Width(), sh = source.Height();
  if (sw < 1 || sh < 1) throw Exception("Source bitmap too small");
  if (dw < 1 || dh < 1) throw Exception("Target bitmap too small");
  const bool swaps = SwapsSides(orientation);
  if (TakesAMean(dw, dh, swaps ? sh : sw, swaps ? sw : sh)) {
    if (PlacementOf(orientation).AsStored()) {
      ResamplePlain(source, target, kernel, support);
    } else {
      TBitmap upright;
      upright.CopyGraphic(&source);
      TurnUpright(upright, orientation);
      ResamplePlain(upright, target, kernel, support);
    }
    return;
  }
  source.SetPixelDepth(PixelDepth::pf24bit);
  source.ConstRowAddress(0);  // the bitmap is complete before threads read it
  const SourceRows rows{sw, sh, [&source](int y) { return source.ConstRowAddress(y); },
                        std::numeric_limits<int>::max()};
  ResampleRowsInto(rows, target, kernel, support, threads, kernels, orientation);
}

bool ResampleStream(TRowSource& source, TBitmap& target, TKernel kernel, float support,
                    int orientation) {
  const int dw = target.Width(), dh = target.Height();
  const int sw = source.Width(), sh = source.Height();
  const bool swaps = SwapsSides(orientation);
  if (sw < 1 || sh < 1 || dw < 1 || dh < 1 || TakesAMean(dw, dh, swaps ? sh : sw, swaps ? sw : sh))
    return false;
  const SourceRows rows{sw, sh, [&source](int y) { return source.Row(y); }, TRowSource::kRowsKept};
  ResampleRowsInto(rows, target, kernel, support, 1, KernelSet::Best, orientation);
  return true;
}

}  // namespace velora
