// The preview turns a photo upright as its orientation says, pixel for pixel.
#include <gtest/gtest.h>

#include <QImage>

#include "picture/orientation.h"
#include "picture/picture.h"
#include "preview/preview_upright.h"

namespace {

struct OrientedBitmap : velora::TBitmap {
  int orientation = 1;
  int Orientation() const override { return orientation; }
};

}  // namespace

TEST(PreviewUpright, EveryOrientationPlacesEveryPixel) {
  const int w = 3, h = 2;
  QImage stored(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) stored.setPixel(x, y, qRgb(x * 40, y * 40, 7));
  }
  OrientedBitmap graphic;
  for (int o = 1; o <= 8; ++o) {
    graphic.orientation = o;
    const QImage upright = velora::app::TurnUpright(stored, graphic);
    const velora::StoredPlacement p = velora::PlacementOf(o);
    ASSERT_EQ(upright.size(), p.transposed ? QSize(h, w) : QSize(w, h)) << o;
    for (int y = 0; y < upright.height(); ++y) {
      for (int x = 0; x < upright.width(); ++x) {
        int row = p.transposed ? x : y;
        int column = p.transposed ? y : x;
        if (p.reverseRows) row = h - 1 - row;
        if (p.reverseColumns) column = w - 1 - column;
        EXPECT_EQ(upright.pixel(x, y), stored.pixel(column, row)) << o << " at " << x << "," << y;
      }
    }
  }
}
