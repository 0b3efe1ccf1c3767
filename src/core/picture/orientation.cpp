#include "picture/orientation.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace velora {

StoredPlacement PlacementOf(int orientation) {
  switch (orientation) {
    case 2:  // mirrored left to right
      return {false, false, true};
    case 3:  // upside down
      return {false, true, true};
    case 4:  // mirrored top to bottom
      return {false, true, false};
    case 5:  // mirrored about the main diagonal
      return {true, false, false};
    case 6:  // the stored top row is the upright right side: shown after a quarter turn
             // clockwise (the usual portrait)
      return {true, true, false};
    case 7:  // mirrored about the other diagonal
      return {true, true, true};
    case 8:  // the stored top row is the upright left side: shown after a quarter turn
             // anticlockwise
      return {true, false, true};
    default:
      return {};
  }
}

bool SwapsSides(int orientation) {
  return PlacementOf(orientation).transposed;
}

int UprightWidth(const TGraphic& graphic) {
  return SwapsSides(graphic.Orientation()) ? graphic.Height() : graphic.Width();
}

int UprightHeight(const TGraphic& graphic) {
  return SwapsSides(graphic.Orientation()) ? graphic.Width() : graphic.Height();
}

namespace {

// Copies the stored picture into the upright one, in tiles small enough that the rows
// of both stay in the first-level cache while a tile is copied (a transposition reads
// one of them across rows).
void Rearrange(const DibSection& stored, DibSection& upright, const StoredPlacement& p) {
  constexpr int kTile = 32;
  const int sw = stored.width, sh = stored.height;
  const int uw = upright.width, uh = upright.height;
  for (int ty = 0; ty < uh; ty += kTile) {
    const int yEnd = std::min(uh, ty + kTile);
    for (int tx = 0; tx < uw; tx += kTile) {
      const int xEnd = std::min(uw, tx + kTile);
      for (int y = ty; y < yEnd; ++y) {
        uint8_t* out = upright.Row(y) + 3 * static_cast<size_t>(tx);
        for (int x = tx; x < xEnd; ++x, out += 3) {
          int row = p.transposed ? x : y, column = p.transposed ? y : x;
          if (p.reverseRows) row = sh - 1 - row;
          if (p.reverseColumns) column = sw - 1 - column;
          std::memcpy(out, stored.Row(row) + 3 * static_cast<size_t>(column), 3);
        }
      }
    }
  }
  // The padding, so the upright picture saves the same bytes every time.
  const size_t used = 3 * static_cast<size_t>(uw);
  for (int y = 0; y < uh; ++y) std::memset(upright.Row(y) + used, 0, upright.stride - used);
}

}  // namespace

void TurnUpright(TBitmap& bitmap, int orientation) {
  const StoredPlacement p = PlacementOf(orientation);
  if (p.AsStored()) return;
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  const int w = bitmap.Width(), h = bitmap.Height();
  if (w <= 0 || h <= 0) return;
  const std::shared_ptr<const DibSection> stored = bitmap.Dib();
  auto upright =
      p.transposed ? DibSection::Create(h, w, 24, false) : DibSection::Create(w, h, 24, false);
  Rearrange(*stored, *upright, p);
  bitmap.SetDib(std::move(upright));
}

void CopyUpright(const TGraphic& graphic, TBitmap& target) {
  target.CopyGraphic(&graphic);
  target.SetPixelDepth(PixelDepth::pf24bit);
  TurnUpright(target, graphic.Orientation());
}

}  // namespace velora
