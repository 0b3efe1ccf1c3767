#pragma once
// Pictures shown upright. Cameras store a photo as the sensor saw it and note in the
// EXIF Orientation tag (1 to 8) how it must be turned to be seen upright: 6 is the
// usual portrait (turn a quarter clockwise), 3 upside down, 2, 4, 5 and 7 mirrored.
// Turning is an exact rearrangement of the pixels, never a resampling.
#include "picture/picture.h"

namespace velora {

// Where the pixel (x, y) of the upright picture is stored, for a stored picture of
// W x H pixels: without `transposed` at row y, column x; with it at row x, column y;
// then `reverseRows` takes row H - 1 - row and `reverseColumns` column W - 1 - column.
struct StoredPlacement {
  bool transposed = false;
  bool reverseRows = false;
  bool reverseColumns = false;
  bool AsStored() const { return !transposed && !reverseRows && !reverseColumns; }
};

// Values outside 1..8 count as 1: the picture as stored.
StoredPlacement PlacementOf(int orientation);
// Whether the upright picture is the stored one with width and height exchanged (5 to 8).
bool SwapsSides(int orientation);

// The size of the graphic as it is meant to be seen.
int UprightWidth(const TGraphic& graphic);
int UprightHeight(const TGraphic& graphic);

// Turns a bitmap upright for an orientation: its pixels are rearranged exactly (the
// bitmap is brought to 24 bits first), width and height exchanged for 5 to 8. Nothing
// changes for 1 or a value outside 1..8. Pixels shared with another bitmap stay as they
// were in that one.
void TurnUpright(TBitmap& bitmap, int orientation);
// The graphic's pixels as an upright 24-bit bitmap: CopyGraphic, 24 bits, TurnUpright
// with the graphic's orientation. Raises what the graphic's copy raises.
void CopyUpright(const TGraphic& graphic, TBitmap& target);

}  // namespace velora
