#pragma once
// The window's opacity: 255 is opaque; values are kept within 30..255 whatever is typed,
// so the window can never become invisible.
class QWidget;

namespace velora::app {

inline constexpr int kMinOpacity = 30;
inline constexpr int kMaxOpacity = 255;

// The window opacity (0..1) for a value of the opacity box.
double WindowOpacityOf(int value);
void ApplyOpacity(QWidget* window, int value);

}  // namespace velora::app
