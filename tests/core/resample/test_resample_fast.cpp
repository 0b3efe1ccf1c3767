// The fast resampler against the plain one: the same bytes for every filter, every
// scale, every kernel set and any number of threads.
#include <gtest/gtest.h>

#include <random>

#include "corpus.h"
#include "formats/formats.h"
#include "picture/orientation.h"
#include "resample/resample.h"
#include "resample_test_util.h"
#include "test_util.h"

using namespace velora;
using velora::test::Line;
using velora::test::ResampleLine;

namespace {

// A picture mixing noise, flat areas and hard edges, so sums land on every kind of value.
void RandomPicture(TBitmap& bitmap, int w, int h, std::mt19937& rng) {
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(w, h);
  const int style = static_cast<int>(rng() % 3);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < 3 * w; ++x) {
      switch (style) {
        case 0:
          row[x] = static_cast<uint8_t>(rng());
          break;
        case 1:
          row[x] = static_cast<uint8_t>(((x / 3 + y) / 5) % 2 ? 255 : 0);
          break;
        default:
          row[x] = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : (x * 7 + y * 3) % 256);
          break;
      }
    }
  }
}

using Resampler = void (*)(TBitmap&, TBitmap&, TKernel, float, int, KernelSet, int);

std::vector<uint8_t> Result(Resampler resample, const TBitmap& src, int dw, int dh,
                            const TFilterRow& filter, int threads, KernelSet set,
                            int orientation = 1) {
  TBitmap copy;
  copy.CopyGraphic(&src);
  TBitmap dst;
  dst.SetPixelDepth(PixelDepth::pf24bit);
  dst.SetSize(dw, dh);
  resample(copy, dst, filter.Kernel, filter.Support, threads, set, orientation);
  return test::RgbOf(dst);
}

// The reference: the picture turned upright pixel by pixel, then the plain resampler.
void Plain(TBitmap& s, TBitmap& d, TKernel k, float f, int, KernelSet, int orientation) {
  TurnUpright(s, orientation);
  ResamplePlain(s, d, k, f);
}

std::vector<KernelSet> KernelSets() {
  std::vector<KernelSet> sets{KernelSet::Sse2};
  if (HasAvx2Kernels()) sets.push_back(KernelSet::Avx2);
  return sets;
}

}  // namespace

TEST(ResampleFast, MatchesThePlainResamplerOnRandomPictures) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 120; ++round) {
    const int sw = 1 + static_cast<int>(rng() % 70), sh = 1 + static_cast<int>(rng() % 40);
    int dw, dh;
    switch (round % 4) {
      case 0:
        dw = std::max(1, sw / 2);
        dh = std::max(1, sh / 2);
        break;  // shrink
      case 1:
        dw = sw * 3 / 2 + 1;
        dh = sh * 3 / 2 + 1;
        break;  // grow
      case 2:
        dw = sw;
        dh = sh;
        break;  // same
      default:
        dw = 1 + static_cast<int>(rng() % 90);
        dh = 1 + static_cast<int>(rng() % 50);
        break;
    }
    TBitmap src;
    RandomPicture(src, sw, sh, rng);
    const TFilterRow& filter = FilterTable[round % FilterTable.size()];
    const auto expected = Result(&Plain, src, dw, dh, filter, 1, KernelSet::Best);
    for (KernelSet set : KernelSets()) {
      EXPECT_EQ(Result(&ResampleFast, src, dw, dh, filter, 1 + round % 3, set), expected)
          << filter.Name << " " << sw << "x" << sh << " -> " << dw << "x" << dh << " set "
          << static_cast<int>(set);
    }
  }
}

TEST(ResampleFast, HardCasesOfTheAccumulationRule) {
  Line a(31, 0), b(73, 0);
  const int av[] = {1, 160, 58, 64, 154}, bv[] = {5, 255, 35, 202, 136};
  for (int i = 0; i < 5; ++i) {
    a[18 + i] = av[i];
    b[40 + i] = bv[i];
  }
  auto fast = [](TBitmap& s, TBitmap& d, TKernel k, float f) {
    ResampleFast(s, d, k, f, 1, KernelSet::Sse2);
  };
  auto fastAvx = [](TBitmap& s, TBitmap& d, TKernel k, float f) {
    ResampleFast(s, d, k, f, 1, KernelSet::Avx2);
  };
  for (auto* r : {+fast, +fastAvx}) {
    EXPECT_EQ(ResampleLine(a, 26, &BSplineKernel, r)[17], 72);
    EXPECT_EQ(ResampleLine(b, 64, &BSplineKernel, r)[37], 117);
  }
}

TEST(ResampleFast, SumsExactlyOnHalvesAreSettledByTheRule) {
  // Triangle doubling gives many sums of exactly x.5 (the mean of two neighbours), and
  // Box over uniform areas gives unnormalised sums: all must follow the rule to the bit.
  std::mt19937 rng(5);
  for (const auto& filter : FilterTable) {
    for (auto [sw, dw] : {std::pair{20, 39}, {100, 33}, {64, 8}, {7, 3}, {2, 9}, {1, 5}, {33, 1}}) {
      TBitmap src;
      RandomPicture(src, sw, 9, rng);
      const auto expected = Result(&Plain, src, dw, 17, filter, 1, KernelSet::Best);
      for (KernelSet set : KernelSets()) {
        EXPECT_EQ(Result(&ResampleFast, src, dw, 17, filter, 2, set), expected)
            << filter.Name << " " << sw << " -> " << dw;
      }
    }
  }
}

TEST(ResampleFast, ThreadsDoNotChangeTheBytes) {
  std::mt19937 rng(9);
  TBitmap src;
  RandomPicture(src, 301, 203, rng);
  const auto one = Result(&ResampleFast, src, 150, 101, FilterTable[6], 1, KernelSet::Best);
  for (int threads : {2, 3, 8}) {
    EXPECT_EQ(Result(&ResampleFast, src, 150, 101, FilterTable[6], threads, KernelSet::Best), one);
  }
}

TEST(ResampleFast, TallPicturesThroughTheRowRingAndThreadBands) {
  // Far more rows than the ring of work rows holds, split into several bands.
  std::mt19937 rng(77);
  struct Case {
    int sw, sh, dw, dh;
  } cases[] = {{40, 700, 20, 350}, {30, 300, 45, 451}, {24, 500, 24, 97}, {17, 260, 5, 259}};
  for (const auto& c : cases) {
    TBitmap src;
    RandomPicture(src, c.sw, c.sh, rng);
    for (const TFilterRow& filter : {FilterTable[1], FilterTable[5], FilterTable[6]}) {
      const auto expected = Result(&Plain, src, c.dw, c.dh, filter, 1, KernelSet::Best);
      for (KernelSet set : KernelSets()) {
        for (int threads : {1, 3}) {
          EXPECT_EQ(Result(&ResampleFast, src, c.dw, c.dh, filter, threads, set), expected)
              << filter.Name << " " << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
        }
      }
    }
  }
}

TEST(ResampleFast, StreamedJpegRowsGiveTheBytesOfTheDecodedPicture) {
  SKIP_WITHOUT_CORPUS();
  // Resampling a JPEG on one thread decodes it row by row without keeping it; the bytes
  // must be those of resampling the whole decoded picture.
  for (const char* file : {"jpeg/libjpeg-turbo/testorig.jpg", "jpeg/misc/peacock.progressive.jpeg",
                           "jpeg/misc/peacock.grayscale.jpeg", "jpeg/misc/pil_sample_cmyk.jpg",
                           "jpeg/misc/peacock.default.truncated.jpeg"}) {
    for (int grow = 0; grow < 2; ++grow) {
      TPicture picture;  // fresh, so nothing is decoded yet
      LoadPictureFile(picture, test::Corpus(file));
      const TGraphic& jpeg = *picture.Graphic();
      const int dw = grow ? picture.Width() * 3 / 2 : picture.Width() / 2;
      const int dh = grow ? picture.Height() + 7 : picture.Height() / 3;
      ASSERT_NE(jpeg.RowStream(), nullptr) << file;
      TBitmap streamed;
      streamed.SetPixelDepth(PixelDepth::pf24bit);
      streamed.SetSize(dw, dh);
      ResampleGraphic(jpeg, streamed, &MitchellKernel, 2.0f, 1);
      TBitmap decoded;
      decoded.SetPixelDepth(PixelDepth::pf24bit);
      decoded.CopyGraphic(&jpeg);            // decodes and keeps the picture
      EXPECT_EQ(jpeg.RowStream(), nullptr);  // a decoded picture is not decoded again
      TBitmap expected;
      expected.SetPixelDepth(PixelDepth::pf24bit);
      expected.SetSize(dw, dh);
      ResamplePlain(decoded, expected, &MitchellKernel, 2.0f);
      EXPECT_EQ(test::RgbOf(streamed), test::RgbOf(expected)) << file << " to " << dw << "x" << dh;
    }
  }
}

namespace {

// Rows of a bitmap served as a stream may: asked for in order, each copied into a ring
// that keeps no more than a stream promises, so a row read after its slot was reused shows
// as wrong bytes.
class StrictRowSource : public TRowSource {
 public:
  explicit StrictRowSource(const TBitmap& bitmap)
      : bitmap_(bitmap), ring_(kRowsKept * 3 * static_cast<size_t>(bitmap.Width())) {}
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  const uint8_t* Row(int y) override {
    EXPECT_GE(y, last_) << "rows asked for out of order";
    last_ = y;
    uint8_t* slot = ring_.data() + static_cast<size_t>(y % kRowsKept) * 3 * bitmap_.Width();
    std::copy_n(bitmap_.ConstRowAddress(y), 3 * bitmap_.Width(), slot);
    return slot;
  }

 private:
  const TBitmap& bitmap_;
  std::vector<uint8_t> ring_;
  int last_ = 0;
};

void Streamed(TBitmap& s, TBitmap& d, TKernel k, float f, int, KernelSet, int orientation) {
  s.SetPixelDepth(PixelDepth::pf24bit);
  StrictRowSource rows(s);
  if (!ResampleStream(rows, d, k, f, orientation))
    ResampleFast(s, d, k, f, 1, KernelSet::Best, orientation);
}

}  // namespace

TEST(ResampleFast, EveryOrientationGivesTheBytesOfThePictureTurnedUpright) {
  // Turned inside the passes, from a bitmap on any number of threads or from rows that
  // come in order: the bytes of turning the picture first and resampling it plainly.
  std::mt19937 rng(613);
  struct Case {
    int sw, sh, dw, dh;  // dw x dh is the upright target
  } cases[] = {{37, 23, 11, 19}, {23, 37, 40, 61}, {300, 90, 45, 150}, {90, 300, 151, 44},
               {64, 64, 64, 64}, {1, 9, 4, 1},     {9, 1, 1, 5},       {41, 33, 1, 17}};
  for (const Case& c : cases) {
    TBitmap src;
    RandomPicture(src, c.sw, c.sh, rng);
    for (int orientation = 1; orientation <= 8; ++orientation) {
      // The target is the upright size: for 5 to 8 the case's sizes read the other way.
      const bool swaps = orientation >= 5;
      const int dw = swaps ? c.dh : c.dw, dh = swaps ? c.dw : c.dh;
      for (const TFilterRow& filter : {FilterTable[0], FilterTable[5], FilterTable[6]}) {
        const auto expected = Result(&Plain, src, dw, dh, filter, 1, KernelSet::Best, orientation);
        const std::string what = std::string(filter.Name) + " " + std::to_string(c.sw) + "x" +
                                 std::to_string(c.sh) + " orientation " +
                                 std::to_string(orientation);
        for (KernelSet set : KernelSets()) {
          for (int threads : {1, 3}) {
            EXPECT_EQ(Result(&ResampleFast, src, dw, dh, filter, threads, set, orientation),
                      expected)
                << what << " threads " << threads;
          }
        }
        EXPECT_EQ(Result(&Streamed, src, dw, dh, filter, 1, KernelSet::Best, orientation), expected)
            << what << " streamed";
      }
    }
  }
}
