#pragma once
// Plays the frames of a GIF for the preview: each frame drawn over what the previous
// ones left, after the previous frame's disposal, for its own delay, pass after pass.
// The animator only composes pictures; the preview's timer decides when to step.
#include <QImage>
#include <QRect>
#include <QRgb>

namespace velora {
class TGifPicture;
class TGifFrame;
}  // namespace velora

namespace velora::app {

class TGifAnimator {
 public:
  // Shows the first frame on the logical screen, over the background colour. The GIF
  // must outlive the animator. Raises EGifError "No global or local color table defined"
  // when a frame to be drawn has no colour map, EOutOfMemory when the screen cannot be
  // held.
  TGifAnimator(const TGifPicture& gif, QRgb background);

  // The logical screen as it shows now (opaque, RGB32).
  const QImage& Image() const { return canvas_; }
  int FrameCount() const;
  int Frame() const { return frame_; }
  // The pass through the frames being shown, from 0.
  int Pass() const { return pass_; }
  // How many passes play: 0 for endlessly.
  int Passes() const { return passes_; }
  // How long the frame shown stays, in milliseconds.
  int DelayMs() const;
  // Whether another frame will follow the one shown.
  bool HasNext() const;
  // Disposes of the frame shown and draws the next one; at the end of a pass the screen
  // is cleared and the first frame follows. Returns false, changing nothing, when the
  // last pass has ended (its last frame stays).
  bool Step();

  // The delay of a frame whose graphic control says `hundredths` (0 when it has none):
  // 10 hundredths when none or 0 is given, at least 3, 12 ms per hundredth.
  static int FrameDelayMs(int hundredths);

 private:
  QRect FrameRect(const TGifFrame& frame) const;
  void DrawFrame(int index);

  const TGifPicture& gif_;
  QRgb background_;
  QImage canvas_;
  QImage saved_;  // what a frame with "restore previous" disposal covered
  QRect savedRect_;
  int frame_ = 0;
  int pass_ = 0;
  int passes_ = 1;
};

}  // namespace velora::app
