// The preview's geometry and its conversion of the engine's pixels into Qt images.
#include <gtest/gtest.h>

#include <QImage>
#include <random>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "preview/preview_convert.h"
#include "preview/preview_fit.h"
#include "preview_fixtures.h"

using namespace velora;
using velora::app::BitmapToImage;
using velora::app::DibToImage;
using velora::app::FitPictureRect;
using velora::app::JpegPreviewReduction;
using velora::app::PreviewReduction;
using velora::test::At;

TEST(PreviewFit, ScalesWithProportionsAndCentres) {
  struct Case {
    const char* name;
    QSizeF picture;
    QSize box;
    bool enlarge;
    QRect expected;
  };
  const std::vector<Case> cases = {
      {"wide, shrunk", {400, 100}, {200, 200}, false, {0, 75, 200, 50}},
      {"tall, shrunk", {100, 400}, {200, 200}, false, {75, 0, 50, 200}},
      {"same shape", {400, 200}, {200, 100}, true, {0, 0, 200, 100}},
      {"small, enlarged", {50, 25}, {200, 200}, true, {0, 50, 200, 100}},
      {"small, natural size", {50, 25}, {200, 200}, false, {75, 87, 50, 25}},
      {"small, tall, enlarged", {10, 40}, {300, 100}, true, {137, 0, 25, 100}},
      {"rounded side", {3, 2}, {100, 100}, true, {0, 16, 100, 67}},
      {"a line stays visible", {10000, 1}, {100, 100}, false, {0, 49, 100, 1}},
      {"twice the scale", {696, 460}, {800, 600}, false, {52, 70, 696, 460}},
      {"empty picture", {0, 10}, {100, 100}, true, {}},
      {"empty box", {10, 10}, {0, 100}, true, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitPictureRect(c.picture, c.box, c.enlarge), c.expected) << c.name;
  }
}

TEST(PreviewFit, ReducesLargePicturesOnlyAsFarAsTheyStillCoverTheView) {
  struct Case {
    QSize picture, needed;
    int reduction, jpegReduction;
  };
  const std::vector<Case> cases = {
      {{4000, 3000}, {500, 375}, 8, 8},   {{4000, 3000}, {600, 450}, 6, 4},
      {{4000, 3000}, {1000, 750}, 4, 4},  {{4000, 3000}, {1400, 1050}, 2, 2},
      {{4000, 3000}, {2100, 1575}, 1, 1}, {{4000, 3000}, {4000, 3000}, 1, 1},
      {{100, 100}, {400, 400}, 1, 1},     {{6000, 100}, {600, 10}, 10, 8},
      {{640, 480}, {0, 0}, 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PreviewReduction(c.picture, c.needed), c.reduction) << c.needed.width();
    EXPECT_EQ(JpegPreviewReduction(c.picture, c.needed), c.jpegReduction) << c.needed.width();
  }
}

namespace {

std::shared_ptr<DibSection> RandomDib(int width, int height, int bitCount, bool topDown,
                                      std::vector<uint32_t> masks, unsigned seed) {
  auto dib = DibSection::Create(width, height, bitCount);
  dib->topDown = topDown;
  for (size_t i = 0; i < masks.size(); ++i) dib->masks[i] = masks[i];
  std::mt19937 random(seed);
  for (size_t i = 0; i < dib->ByteSize(); ++i) dib->bits.get()[i] = static_cast<uint8_t>(random());
  if (bitCount <= 8) {
    // A table one entry short of full, so some indices fall beyond it.
    const size_t entries = (size_t{1} << bitCount) - 1;
    for (size_t i = 0; i < entries; ++i) {
      dib->colors.push_back({static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                             static_cast<uint8_t>(random()), 0});
    }
  }
  return dib;
}

}  // namespace

TEST(PreviewConvert, GivesEveryPixelItsColourAtEveryDepth) {
  struct Case {
    int bitCount;
    bool topDown;
    std::vector<uint32_t> masks;
  };
  const std::vector<Case> cases = {
      {1, false, {}},
      {4, false, {}},
      {8, true, {}},
      {16, false, {}},
      {16, false, {0xF800, 0x07E0, 0x001F}},
      {24, false, {}},
      {24, true, {}},
      {32, false, {}},
      {32, false, {0x3FF00000, 0x000FFC00, 0x000003FF}},
  };
  for (const Case& c : cases) {
    const auto dib = RandomDib(13, 5, c.bitCount, c.topDown, c.masks, 11);
    const QImage image = DibToImage(*dib);
    ASSERT_EQ(image.size(), QSize(13, 5));
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) {
        const TColorEntry e = dib->PixelColor(x, y);
        ASSERT_EQ(At(image, x, y), qRgb(e.red, e.green, e.blue))
            << c.bitCount << " bits at " << x << "," << y;
      }
    }
  }
}

TEST(PreviewConvert, AveragesBlocksWhenReducing) {
  // 5 x 3 pixels by 2: blocks of 2 x 2, cut at the right and bottom edges.
  const auto dib = RandomDib(5, 3, 24, false, {}, 5);
  const QImage reduced = DibToImage(*dib, 2);
  ASSERT_EQ(reduced.size(), QSize(3, 2));
  for (int oy = 0; oy < 2; ++oy) {
    for (int ox = 0; ox < 3; ++ox) {
      int sum[3] = {}, count = 0;
      for (int y = 2 * oy; y < std::min(3, 2 * oy + 2); ++y) {
        for (int x = 2 * ox; x < std::min(5, 2 * ox + 2); ++x) {
          const TColorEntry e = dib->PixelColor(x, y);
          sum[0] += e.red;
          sum[1] += e.green;
          sum[2] += e.blue;
          ++count;
        }
      }
      const QRgb expected = qRgb((sum[0] + count / 2) / count, (sum[1] + count / 2) / count,
                                 (sum[2] + count / 2) / count);
      EXPECT_EQ(At(reduced, ox, oy), expected) << ox << "," << oy;
    }
  }
}

TEST(PreviewConvert, DrawsATransparentBitmapThroughItsColour) {
  const QRgb bg = qRgb(1, 2, 3);
  TBitmap bitmap;
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(2, 2);
  // Top row: red, green; bottom row: blue, red.
  const uint8_t rows[2][6] = {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 0, 0, 255}};
  for (int y = 0; y < 2; ++y) std::copy(rows[y], rows[y] + 6, bitmap.RowAddress(y));
  const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);

  QImage opaque = BitmapToImage(bitmap, bg);
  EXPECT_EQ(At(opaque, 0, 1), blue);

  bitmap.SetTransparent(true);  // automatic: the bottom-left pixel's colour
  QImage automatic = BitmapToImage(bitmap, bg);
  EXPECT_EQ(At(automatic, 0, 0), red);
  EXPECT_EQ(At(automatic, 0, 1), bg);

  bitmap.SetTransparentMode(TransparentMode::tmFixed);
  bitmap.SetTransparentColor(0x000000FF);  // red, as 0x00BBGGRR
  QImage fixed = BitmapToImage(bitmap, bg);
  EXPECT_EQ(At(fixed, 0, 0), bg);
  EXPECT_EQ(At(fixed, 1, 1), bg);
  EXPECT_EQ(At(fixed, 1, 0), green);
  EXPECT_EQ(At(fixed, 0, 1), blue);
}
