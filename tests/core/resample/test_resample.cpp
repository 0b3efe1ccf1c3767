// The resampler on lines whose results are known: exact bytes, unnormalised weights,
// the two different mirrors at the edges.
#include <gtest/gtest.h>

#include <vector>

#include "resample/resample.h"
#include "resample_test_util.h"

using namespace velora;
using velora::test::Line;
using velora::test::ResampleLine;

namespace {

TKernel KernelNamed(const std::string& name) {
  for (const auto& row : FilterTable) {
    if (name == row.Name) return row.Kernel;
  }
  return nullptr;
}

}  // namespace

TEST(Resample, LinesWithKnownResults) {
  struct Case {
    const char* filter;
    Line in;
    int outLength;
    Line expected;
  } cases[] = {
      // Same size: sharp filters leave the line alone, smooth ones soften it; the ends
      // differ because the start mirrors about the first pixel and the end repeats the last.
      {"Box", {0, 255, 0}, 3, {0, 255, 0}},
      {"Triangle", {0, 255, 0}, 3, {0, 255, 0}},
      {"Hermite", {0, 255, 0}, 3, {0, 255, 0}},
      {"Lanczos3", {0, 255, 0}, 3, {0, 255, 0}},
      {"Bell", {0, 255, 0}, 3, {64, 191, 32}},
      {"B-Spline", {0, 255, 0}, 3, {85, 170, 42}},
      {"Mitchell", {0, 255, 0}, 3, {28, 227, 14}},
      // Growing with Mitchell, scale 2.
      {"Mitchell", {10, 20, 30, 40}, 7, {11, 14, 20, 25, 30, 35, 39}},
      // Shrinking a ramp with Triangle: lists read 2,1,0,1,2 first and 7,8,9,9,8 last.
      {"Triangle", {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}, 4, {9, 30, 60, 84}},
      // A uniform area through Lanczos3 loses a little, because weights are not normalised.
      {"Lanczos3", Line(10, 200), 4, Line(4, 199)},
      {"Bell", Line(10, 200), 4, Line(4, 200)},
      {"B-Spline", Line(10, 200), 4, Line(4, 200)},
      {"Mitchell", Line(10, 200), 4, Line(4, 200)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResampleLine(c.in, c.outLength, KernelNamed(c.filter)), c.expected)
        << c.filter << " to " << c.outLength;
  }
}

TEST(Resample, AccumulationRoundsToFloatAfterEveryAddition) {
  // Lines where a fused multiply-add or plain double arithmetic would be off by one.
  Line a(31, 0);
  const int av[] = {1, 160, 58, 64, 154};
  for (int i = 0; i < 5; ++i) a[18 + i] = av[i];
  EXPECT_EQ(ResampleLine(a, 26, &BSplineKernel)[17], 72);
  Line b(73, 0);
  const int bv[] = {5, 255, 35, 202, 136};
  for (int i = 0; i < 5; ++i) b[40 + i] = bv[i];
  EXPECT_EQ(ResampleLine(b, 64, &BSplineKernel)[37], 117);
}

TEST(Resample, UniformAreasShrunkWithoutNormalisation) {
  // Box from 100 to 33: the shrunken box covers three or four pixels at 0.3232 each.
  const Line box = ResampleLine(Line(100, 200), 33, &BoxKernel);
  int n194 = 0, n255 = 0;
  for (int v : box) {
    n194 += v == 194;
    n255 += v == 255;
  }
  EXPECT_EQ(n194 + n255, 33);
  EXPECT_GT(n194, n255);
  EXPECT_GT(n255, 0);
  const Line tri = ResampleLine(Line(640, 200), 200, &TriangleKernel);
  for (int v : tri) {
    EXPECT_GE(v, 199);
    EXPECT_LE(v, 203);
  }
  for (TKernel k : {&BellKernel, &BSplineKernel, &MitchellKernel}) {
    EXPECT_EQ(ResampleLine(Line(100, 200), 33, k), Line(33, 200));
    EXPECT_EQ(ResampleLine(Line(640, 200), 200, k), Line(200, 200));
  }
}

TEST(Resample, ShortLinesAndOneSampleOutputs) {
  // A one-pixel line grows with the scale out / 1; every sample reads that pixel.
  EXPECT_EQ(ResampleLine({77}, 5, &BoxKernel), Line(5, 77));
  EXPECT_EQ(ResampleLine({77}, 3, &TriangleKernel), Line(3, 77));
  // Kernels reaching beyond a short line read the nearest edge pixel, never outside.
  EXPECT_EQ(ResampleLine({0, 255}, 2, &Lanczos3Kernel), (Line{0, 255}));
  EXPECT_EQ(ResampleLine(Line(7, 100), 3, &Lanczos3Kernel).size(), 3u);
  // One sample from a longer line: the mean, ties to even (2.5 -> 2, 3.5 -> 4).
  EXPECT_EQ(ResampleLine({1, 2, 3, 4}, 1, &MitchellKernel), Line{2});
  EXPECT_EQ(ResampleLine({3, 4}, 1, &MitchellKernel), Line{4});
  EXPECT_EQ(ResampleLine({10, 20, 31}, 1, &BoxKernel), Line{20});
}

TEST(Resample, ColumnsMatchRows) {
  // The vertical pass walks columns by the row step: a tall picture resampled in height
  // gives the same numbers as the same line resampled in width.
  const Line in = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90};
  TBitmap src;
  src.SetPixelDepth(PixelDepth::pf24bit);
  src.SetSize(1, static_cast<int>(in.size()));
  for (int y = 0; y < src.Height(); ++y) {
    uint8_t* p = src.RowAddress(y);
    p[0] = p[1] = p[2] = static_cast<uint8_t>(in[static_cast<size_t>(y)]);
  }
  TBitmap dst;
  dst.SetPixelDepth(PixelDepth::pf24bit);
  dst.SetSize(1, 4);
  Resample(src, dst, &TriangleKernel, 1.0f);
  Line out;
  for (int y = 0; y < 4; ++y) out.push_back(dst.ConstRowAddress(y)[1]);
  EXPECT_EQ(out, (Line{9, 30, 60, 84}));
}

TEST(Resample, EmptyPicturesAreRefused) {
  TBitmap src, dst;
  src.SetPixelDepth(PixelDepth::pf24bit);
  dst.SetPixelDepth(PixelDepth::pf24bit);
  dst.SetSize(4, 4);
  try {
    Resample(src, dst, &BoxKernel, 0.5f);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Source bitmap too small");
  }
  EXPECT_EQ(dst.Width(), 4);  // nothing changed
  src.SetSize(3, 3);
  dst.SetSize(0, 4);
  EXPECT_THROW(Resample(src, dst, &BoxKernel, 0.5f), Exception);
}

TEST(Resample, GraphicOfAnotherDepthIsCopiedTo24BitsFirst) {
  auto dib = DibSection::Create(2, 1, 8);
  dib->colors = {{1, 2, 3, 0}, {40, 50, 60, 0}};
  dib->Row(0)[0] = 0;
  dib->Row(0)[1] = 1;
  TBitmap src;
  src.SetDib(dib);
  TBitmap dst;
  dst.SetPixelDepth(PixelDepth::pf24bit);
  dst.SetSize(2, 1);
  ResampleGraphic(src, dst, &BoxKernel, 0.5f);
  const uint8_t* p = dst.ConstRowAddress(0);
  EXPECT_EQ(std::vector<int>(p, p + 6), (std::vector<int>{1, 2, 3, 40, 50, 60}));
  EXPECT_EQ(src.GetPixelDepth(), PixelDepth::pf8bit);  // the caller's picture is untouched
}
