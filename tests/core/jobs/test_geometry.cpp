// The resize settings' rules: the factor, output sizes in every mode, the tenths carry,
// "Set 4/3", the file size indicator and how the number boxes read their text.
#include <gtest/gtest.h>

#include "jobs/geometry.h"

using namespace velora;

TEST(Geometry, RoundHalfEven) {
  EXPECT_EQ(RoundHalfEven(2.5L), 2);
  EXPECT_EQ(RoundHalfEven(3.5L), 4);
  EXPECT_EQ(RoundHalfEven(-2.5L), -2);
  EXPECT_EQ(RoundHalfEven(1.4999999L), 1);
  EXPECT_EQ(RoundHalfEven(1e30L), 2147483647);
}

TEST(Geometry, XFactorAndItsValidity) {
  EXPECT_EQ(XFactor(1, 0), 1.0);
  EXPECT_EQ(XFactor(0, 0), 1.0);
  EXPECT_EQ(XFactor(0, 5), 0.5);
  EXPECT_EQ(XFactor(2, 3), 2.3);  // the double nearest to 2.3, slightly below it
  EXPECT_LT(XFactor(2, 3), 2.3L);
  EXPECT_EQ(XFactor(1, 1), 1.1);  // slightly above 1.1
  EXPECT_GT(XFactor(1, 1), 1.1L);
  for (int whole = 0; whole <= 10; ++whole) {
    for (int tenths = 0; tenths <= 9; ++tenths) {
      if (whole == 0 && tenths == 0) continue;
      const std::string decimal = std::to_string(whole) + "." + std::to_string(tenths);
      EXPECT_EQ(XFactor(whole, tenths), std::stod(decimal)) << decimal;
    }
  }
  for (ResizeMode m : {ResizeMode::DecreaseTimes, ResizeMode::IncreaseTimes}) {
    EXPECT_FALSE(FactorIsValid(m, 1.0));
    EXPECT_FALSE(FactorIsValid(m, 0.5));
    EXPECT_TRUE(FactorIsValid(m, XFactor(1, 1)));
  }
  for (ResizeMode m : {ResizeMode::SameSize, ResizeMode::SameWidth, ResizeMode::SameHeight}) {
    EXPECT_TRUE(FactorIsValid(m, 1.0));
  }
}

TEST(Geometry, OutputSizeInEveryMode) {
  struct Case {
    ResizeMode mode;
    int whole, tenths, side, boxW, boxH;
    int sw, sh;
    TSize expected;
  } cases[] = {
      {ResizeMode::DecreaseTimes, 2, 0, 0, 0, 0, 5, 3, {2, 2}},  // 2.5 and 1.5 to even
      {ResizeMode::DecreaseTimes, 2, 0, 0, 0, 0, 7, 1, {4, 0}},
      {ResizeMode::DecreaseTimes, 2, 0, 0, 0, 0, 640, 480, {320, 240}},
      {ResizeMode::IncreaseTimes, 1, 5, 0, 0, 0, 3, 5, {4, 8}},    // 4.5 and 7.5 to even
      {ResizeMode::IncreaseTimes, 1, 1, 0, 0, 0, 15, 5, {17, 6}},  // factor above 1.1
      {ResizeMode::SameWidth, 0, 0, 200, 0, 0, 640, 480, {200, 150}},
      {ResizeMode::SameWidth, 0, 0, 5, 0, 0, 4, 2, {5, 2}},  // 2.5 to 2
      {ResizeMode::SameWidth, 0, 0, 3, 0, 0, 2, 3, {3, 5}},  // 64-bit ratio below 2/3
      {ResizeMode::SameWidth, 0, 0, 1, 0, 0, 3, 1, {1, 0}},
      {ResizeMode::SameHeight, 0, 0, 150, 0, 0, 640, 480, {200, 150}},
      {ResizeMode::SameHeight, 0, 0, 3, 0, 0, 3, 2, {5, 3}},
      {ResizeMode::SameSize, 0, 0, 0, 300, 10, 640, 480, {300, 10}},
      {ResizeMode::SameSize, 0, 0, 0, -4, 151, 640, 480, {-4, 151}},
  };
  for (const auto& c : cases) {
    ResizeSettings s;
    s.Mode = c.mode;
    s.FactorWhole = c.whole;
    s.FactorTenths = c.tenths;
    s.SideLength = c.side;
    s.BoxWidth = c.boxW;
    s.BoxHeight = c.boxH;
    const TSize got = OutputSize(s, c.sw, c.sh);
    EXPECT_EQ(got, c.expected) << static_cast<int>(c.mode) << " " << c.sw << "x" << c.sh << " -> "
                               << got.Width << "x" << got.Height;
  }
}

TEST(Geometry, OutputSizeOfAnEmptyPictureIsZero) {
  ResizeSettings s;
  s.Mode = ResizeMode::SameWidth;
  EXPECT_EQ(OutputSize(s, 0, 0).Height, 0);
  s.Mode = ResizeMode::DecreaseTimes;
  EXPECT_EQ(OutputSize(s, 0, 0), (TSize{0, 0}));
}

TEST(Geometry, TenthsCarry) {
  struct Case {
    FactorBoxes in, out;
  } cases[] = {
      {{2, 10}, {3, 0}},    // 2.9 plus a tenth
      {{2, -1}, {1, 9}},    // 2.0 minus a tenth
      {{1, -1}, {1, 0}},    // cannot go below 1.0
      {{10, 10}, {10, 0}},  // the whole part stays at its upper limit
      {{3, 5}, {3, 5}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TenthsCarry(c.in), c.out) << c.in.Whole << "," << c.in.Tenths;
  // Emptying the tenths box reads as -1 and borrows at once.
  EXPECT_EQ(TenthsCarry({2, kZecimalBox.Read("")}), (FactorBoxes{1, 9}));
  EXPECT_EQ(TenthsCarry({1, kZecimalBox.Read("")}), (FactorBoxes{1, 0}));
}

TEST(Geometry, SetFourThirds) {
  const int cases[][2] = {{640, 480}, {800, 600}, {8, 10}, {2, 10}, {6, 10}, {14, 10}, {15, 11}};
  for (const auto& c : cases) EXPECT_EQ(HeightForFourThirds(c[0]), c[1]) << c[0];
}

TEST(Geometry, SizeIndicator) {
  const int cases[][2] = {{5, 26}, {50, 120}, {55, 135}, {95, 296}, {74, 204}};
  for (const auto& c : cases) EXPECT_EQ(SizeIndicator(c[0]), c[1]) << c[0];
}

TEST(Geometry, NumberBoxesReadTheirText) {
  struct Case {
    NumberBox box;
    const char* text;
    int value;
  } cases[] = {
      {kZecimalBox, "", -1}, {kRoundBox, "", 1},    {kWidthBox, "abc", 0},
      {kWidthBox, "-5", -5}, {kRoundBox, "7", 7},   {kRoundBox, "12", 12},  // typed: no limits yet
      {kHeightBox, "x", 10}, {kWidthBox, "1.5", 0}, {kWidthBox, "99999999999", 0},
      {kSideBox, " 42", 42},
  };
  for (const auto& c : cases) EXPECT_EQ(c.box.Read(c.text), c.value) << "'" << c.text << "'";
  EXPECT_EQ(kRoundBox.Limit(12), 10);
  EXPECT_EQ(kRoundBox.Limit(0), 1);
  EXPECT_EQ(kHeightBox.Limit(3), 10);
  EXPECT_EQ(kHeightBox.Limit(100000), 100000);
  EXPECT_EQ(kWidthBox.Limit(-7), -7);
}

TEST(Geometry, FitInBox) {
  struct Case {
    int boxW, boxH, sw, sh;
    TSize expected;
  } cases[] = {
      {200, 200, 640, 480, {200, 150}},        // landscape: the width decides
      {200, 200, 480, 640, {150, 200}},        // portrait: the height decides
      {300, 200, 500, 500, {200, 200}},        // square
      {1920, 1080, 1920, 1080, {1920, 1080}},  // exact fit
      {1920, 1080, 3840, 2160, {1920, 1080}},  // exact fit by half
      {400, 400, 100, 50, {400, 200}},         // enlarged when allowed
      {5, 100, 6, 3, {5, 2}},                  // 2.5 to the even 2
      {5, 100, 6, 9, {5, 8}},                  // 7.5 to the even 8
      {100, 5, 3, 2, {8, 5}},                  // 7.5 to the even 8, height decides
      {5, 100, 10, 3, {5, 2}},                 // 1.5 to 2
      {2, 2, 3, 3, {2, 2}},                    // s = 2/3 in extended precision
      {1920, 1, 1000, 10, {100, 1}},           // one pixel high
      {1920, 1080, 1, 1, {1080, 1080}},
      {1000, 1000, 3000, 1, {1000, 0}},  // too small: 1/3 rounds to 0
      {0, 50, 100, 100, {0, 0}},         // an empty box
      {-10, 50, 100, 100, {-10, -10}},   // the width box takes negative numbers
      {200, 151, 0, 0, {0, 0}},          // a picture without pixels
  };
  for (const auto& c : cases) {
    ResizeSettings s;
    s.Mode = ResizeMode::FitInBox;
    s.BoxWidth = c.boxW;
    s.BoxHeight = c.boxH;
    const TSize got = OutputSize(s, c.sw, c.sh);
    EXPECT_EQ(got, c.expected) << c.sw << "x" << c.sh << " in " << c.boxW << "x" << c.boxH << " -> "
                               << got.Width << "x" << got.Height;
    EXPECT_TRUE(FactorIsValid(ResizeMode::FitInBox, 1.0));
  }
}

TEST(Geometry, NeverEnlargeKeepsSmallPicturesPerMode) {
  struct Case {
    ResizeMode mode;
    int sw, sh;
    TSize expected;
    bool kept;
  } cases[] = {
      // box 300 x 200, side 600, factor 2.0
      {ResizeMode::SameSize, 100, 100, {100, 100}, true},
      {ResizeMode::SameSize, 300, 200, {300, 200}, true},
      {ResizeMode::SameSize, 100, 250, {300, 200}, false},  // one side larger: the box
      {ResizeMode::SameWidth, 500, 2000, {500, 2000}, true},
      {ResizeMode::SameWidth, 800, 600, {600, 450}, false},
      {ResizeMode::SameHeight, 2000, 500, {2000, 500}, true},
      {ResizeMode::SameHeight, 800, 800, {600, 600}, false},
      {ResizeMode::FitInBox, 100, 50, {100, 50}, true},
      {ResizeMode::FitInBox, 300, 100, {300, 100}, true},
      {ResizeMode::FitInBox, 301, 100, {300, 100}, false},
      {ResizeMode::FitInBox, 150, 400, {75, 200}, false},
      {ResizeMode::IncreaseTimes, 10, 10, {20, 20}, false},  // no meaning there
      {ResizeMode::DecreaseTimes, 10, 10, {5, 5}, false},
  };
  for (const auto& c : cases) {
    ResizeSettings s;
    s.Mode = c.mode;
    s.BoxWidth = 300;
    s.BoxHeight = 200;
    s.SideLength = 600;
    s.NeverEnlarge = true;
    EXPECT_EQ(OutputSize(s, c.sw, c.sh), c.expected) << static_cast<int>(c.mode) << " " << c.sw;
    EXPECT_EQ(KeepsOwnSize(s, c.sw, c.sh), c.kept) << static_cast<int>(c.mode) << " " << c.sw;
    s.NeverEnlarge = false;
    EXPECT_FALSE(KeepsOwnSize(s, c.sw, c.sh));
  }
}
