#include "preview/preview_fit.h"

#include <algorithm>
#include <cmath>

namespace velora::app {

QRect FitPictureRect(QSizeF natural, QSize box, bool enlargeSmall) {
  if (natural.width() <= 0 || natural.height() <= 0 || box.width() <= 0 || box.height() <= 0)
    return {};
  double scale = std::min(box.width() / natural.width(), box.height() / natural.height());
  if (!enlargeSmall) scale = std::min(scale, 1.0);
  // The side that limits the scale fills the box exactly; the other one is rounded and
  // never vanishes.
  const int width =
      std::clamp(static_cast<int>(std::lround(natural.width() * scale)), 1, box.width());
  const int height =
      std::clamp(static_cast<int>(std::lround(natural.height() * scale)), 1, box.height());
  return {(box.width() - width) / 2, (box.height() - height) / 2, width, height};
}

}  // namespace velora::app
