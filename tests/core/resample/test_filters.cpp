// The kernel values the rest of the system depends on, to the last bit where it matters.
#include <gtest/gtest.h>

#include <cmath>

#include "resample/filters.h"

using namespace velora;

TEST(Filters, TableRowsInOrder) {
  const char* names[] = {"Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell"};
  const float supports[] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
  ASSERT_EQ(FilterTable.size(), 7u);
  for (size_t i = 0; i < FilterTable.size(); ++i) {
    EXPECT_STREQ(FilterTable[i].Name, names[i]);
    EXPECT_EQ(FilterTable[i].Support, supports[i]);
  }
  EXPECT_EQ(FilterTable[6].Kernel, &MitchellKernel);
}

TEST(Filters, ExactValues) {
  struct Case {
    TKernel kernel;
    float x;
    float expected;
  } cases[] = {
      {BoxKernel, 0.5f, 1},
      {BoxKernel, -0.5f, 0},
      {BoxKernel, 0, 1},
      {TriangleKernel, 1, 0},
      {HermiteKernel, 1, 0},
      {BellKernel, 1.5f, 0},
      {BSplineKernel, 2, 0},
      {MitchellKernel, 2, 0},
      {Lanczos3Kernel, 3, 0},
      {BellKernel, 0.5f, 0.5f},
      {BellKernel, 0, 0.75f},
      {BellKernel, 1, 0.125f},
      {HermiteKernel, 0.5f, 0.5f},
      {TriangleKernel, 0.25f, 0.75f},
      {BSplineKernel, 0, 2.0f / 3.0f},  // 0.6666667
      {BSplineKernel, 1, 1.0f / 6.0f},  // 0.16666667
      {MitchellKernel, 0, 0.8888889f},
      {MitchellKernel, 1, 0.055555556f},
      {Lanczos3Kernel, 0, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.kernel(c.x), c.expected) << "x=" << c.x << " expected " << c.expected;
  }
}

TEST(Filters, ApproximateValuesAndSigns) {
  EXPECT_NEAR(MitchellKernel(1.5f), -0.0347f, 0.0001f);
  EXPECT_NEAR(Lanczos3Kernel(0.5f), 0.6079f, 0.0001f);
  // pi is rounded to 32 bits before the sine, so whole distances give tiny weights.
  EXPECT_LT(Lanczos3Kernel(1), 0);
  EXPECT_NEAR(Lanczos3Kernel(1), -2.3e-8f, 0.1e-8f);
  EXPECT_GT(Lanczos3Kernel(2), 0);
  EXPECT_NEAR(Lanczos3Kernel(2), 1.2e-8f, 0.1e-8f);
  EXPECT_NE(SincValue(1), 0);
  EXPECT_EQ(SincValue(0), 1);
  const double sum = double{BSplineKernel(-1)} + BSplineKernel(0) + BSplineKernel(1);
  EXPECT_NEAR(sum, 1.0, 1e-7);
}

TEST(Filters, EveryKernelIsSymmetricButTheBoxAtItsEdge) {
  for (const auto& row : FilterTable) {
    for (float x = 0; x <= 3.5f; x += 0.03125f) {
      if (row.Kernel == &BoxKernel && x == 0.5f) continue;
      EXPECT_EQ(row.Kernel(x), row.Kernel(-x)) << row.Name << " x=" << x;
    }
  }
}
