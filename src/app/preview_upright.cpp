#include "preview_upright.h"

namespace velora::app {

QImage TurnUpright(QImage image, const TGraphic& /*graphic*/) {
  return image;
}

}  // namespace velora::app
