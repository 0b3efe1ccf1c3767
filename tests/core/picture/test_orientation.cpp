// Turning pictures upright for their EXIF orientation: the exact rearrangement of the
// pixels for each of the eight values, and the sizes as seen.
#include <gtest/gtest.h>

#include <string>

#include "picture/orientation.h"

using namespace velora;

namespace {

// Makes the bitmap's pixels letters, one row per string: pixel 'A' is (A, A, A).
void Letters(TBitmap& bitmap, const std::vector<std::string>& rows) {
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y) {
    uint8_t* row = bitmap.RowAddress(static_cast<int>(y));
    for (size_t x = 0; x < rows[y].size(); ++x) {
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<uint8_t>(rows[y][x]);
    }
  }
}

std::vector<std::string> RowsOf(const TBitmap& bitmap) {
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    const uint8_t* p = bitmap.ConstRowAddress(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      EXPECT_TRUE(p[3 * x] == p[3 * x + 1] && p[3 * x] == p[3 * x + 2]);
      row += static_cast<char>(p[3 * x]);
    }
    rows.push_back(row);
  }
  return rows;
}

// A graphic that only reports a size and an orientation.
class Oriented : public TBitmap {
 public:
  explicit Oriented(int orientation) : orientation_(orientation) {}
  int Orientation() const override { return orientation_; }

 private:
  int orientation_;
};

}  // namespace

TEST(Orientation, EachValueTurnsTheStoredPixelsAsTheExifStandardDescribesThem) {
  // The stored picture; its row 0 and column 0 lie where the tag's name says: 6
  // ("right, top") puts row 0 on the right side and column 0 at the top.
  const std::vector<std::string> stored = {"ABC", "DEF"};
  const struct {
    int orientation;
    std::vector<std::string> upright;
  } cases[] = {
      {1, {"ABC", "DEF"}},     {2, {"CBA", "FED"}},     {3, {"FED", "CBA"}},
      {4, {"DEF", "ABC"}},     {5, {"AD", "BE", "CF"}}, {6, {"DA", "EB", "FC"}},
      {7, {"FC", "EB", "DA"}}, {8, {"CF", "BE", "AD"}}, {0, {"ABC", "DEF"}},
      {9, {"ABC", "DEF"}},     {-6, {"ABC", "DEF"}},
  };
  for (const auto& c : cases) {
    TBitmap bitmap;
    Letters(bitmap, stored);
    TurnUpright(bitmap, c.orientation);
    EXPECT_EQ(RowsOf(bitmap), c.upright) << "orientation " << c.orientation;
    EXPECT_EQ(SwapsSides(c.orientation), c.orientation >= 5 && c.orientation <= 8);
  }
}

TEST(Orientation, LargePicturesTurnThroughTheTilesAndOtherDepthsBecome24Bits) {
  // Wider and higher than a tile, with sides that are no multiple of it.
  const int w = 75, h = 41;
  TBitmap stored;
  stored.SetPixelDepth(PixelDepth::pf24bit);
  stored.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = stored.RowAddress(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>(x);
      row[3 * x + 1] = static_cast<uint8_t>(y);
      row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
    }
  }
  TBitmap turned;
  turned.CopyGraphic(&stored);
  TurnUpright(turned, 6);  // upright (x, y) is stored row h - 1 - x, column y
  ASSERT_EQ(turned.Width(), h);
  ASSERT_EQ(turned.Height(), w);
  for (int y = 0; y < w; ++y) {
    for (int x = 0; x < h; ++x) {
      const uint8_t* p = turned.ConstRowAddress(y) + 3 * x;
      ASSERT_EQ(p[0], y);
      ASSERT_EQ(p[1], h - 1 - x);
      ASSERT_EQ(p[2], y ^ (h - 1 - x));
    }
  }
  EXPECT_EQ(stored.ConstRowAddress(0)[3], 1);  // the bitmap it shared pixels with is unchanged

  TBitmap deep;
  Letters(deep, {"AB", "CD"});
  deep.SetPixelDepth(PixelDepth::pf32bit);
  TurnUpright(deep, 3);
  EXPECT_EQ(deep.GetPixelDepth(), PixelDepth::pf24bit);
  EXPECT_EQ(RowsOf(deep), (std::vector<std::string>{"DC", "BA"}));

  TBitmap empty;
  TurnUpright(empty, 6);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(Orientation, UprightSizeAndCopy) {
  for (int orientation = 1; orientation <= 8; ++orientation) {
    Oriented graphic(orientation);
    TBitmap letters;
    Letters(letters, {"ABC", "DEF"});
    graphic.CopyGraphic(&letters);
    const bool swaps = orientation >= 5;
    EXPECT_EQ(UprightWidth(graphic), swaps ? 2 : 3);
    EXPECT_EQ(UprightHeight(graphic), swaps ? 3 : 2);
    TBitmap upright;
    CopyUpright(graphic, upright);
    TBitmap expected;
    Letters(expected, {"ABC", "DEF"});
    TurnUpright(expected, orientation);
    EXPECT_EQ(RowsOf(upright), RowsOf(expected));
    EXPECT_EQ(graphic.Width(), 3);  // the graphic itself stays as stored
  }
}
