#include "desktop/opacity.h"

#include <QWidget>
#include <algorithm>

namespace velora::app {

double WindowOpacityOf(int value) {
  return std::clamp(value, kMinOpacity, kMaxOpacity) / 255.0;
}

void ApplyOpacity(QWidget* window, int value) {
  // 1.0 turns the window's transparency off.
  if (window) window->setWindowOpacity(WindowOpacityOf(value));
}

}  // namespace velora::app
