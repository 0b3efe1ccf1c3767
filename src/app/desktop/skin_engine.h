#pragma once
// The product's own look: the Fusion style with a palette in the header's colours. It is
// decided once at start-up; it can be dropped during a run (back to the desktop's own
// style at once) but not taken up again until the next start.
#include <QPalette>
#include <QString>

namespace velora::app {

// The header's colour (RGB 192, 200, 191), the base of the product's palette.
inline constexpr int kHeaderRed = 192, kHeaderGreen = 200, kHeaderBlue = 191;

// The palette of the product's look.
QPalette SkinPalette();

class TSkinEngine {
 public:
  // At start-up: with `skinsOn` the application takes the product's look; otherwise the
  // engine is released for the rest of the run and the desktop's style stays.
  void Start(bool skinsOn);
  // The box "Use skins *" was clicked: turning it off drops an active look at once;
  // turning it on changes nothing before the next start.
  void SkinsClicked(bool checked);
  bool Active() const { return active_; }

 private:
  void Deactivate();

  bool active_ = false;
  QString desktopStyle_;
  QPalette desktopPalette_;
};

}  // namespace velora::app
