#include "preview/preview_upright.h"

#include <QTransform>

#include "picture/orientation.h"

namespace velora::app {

QImage TurnUpright(QImage image, const TGraphic& graphic) {
  const StoredPlacement placement = PlacementOf(graphic.Orientation());
  if (placement.AsStored() || image.isNull()) return image;
  // First the mirrored rows and columns of the stored picture, then the exchange of rows
  // and columns: the upright pixel (x, y) is then the stored one the placement names.
  if (placement.reverseColumns || placement.reverseRows) {
    image = image.mirrored(placement.reverseColumns, placement.reverseRows);
  }
  if (placement.transposed) image = image.transformed(QTransform(0, 1, 1, 0, 0, 0));
  return image;
}

}  // namespace velora::app
