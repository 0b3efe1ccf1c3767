#include "preview/gif_animator.h"

#include <QPainter>
#include <algorithm>

#include "gif/gifread.h"

namespace velora::app {

namespace {
// The speed at which the frames play, in percent of their stated delays.
constexpr int kAnimationSpeed = 100;
constexpr int kMsPerHundredth = 12;
}  // namespace

TGifAnimator::TGifAnimator(const TGifPicture& gif, QRgb background)
    : gif_(gif), background_(background) {
  // No loop extension: the frames play once. A loop count of 0 plays them endlessly.
  if (const auto loops = gif.LoopCount()) passes_ = *loops;
  canvas_ = QImage(std::max(gif.Width(), 1), std::max(gif.Height(), 1), QImage::Format_RGB32);
  if (canvas_.isNull()) throw EOutOfMemory("Out of memory");
  canvas_.fill(background_);
  if (FrameCount() > 0) DrawFrame(0);
}

int TGifAnimator::FrameCount() const {
  return static_cast<int>(gif_.Frames().size());
}

int TGifAnimator::FrameDelayMs(int hundredths) {
  const int stated = hundredths == 0 ? 10 : std::max(hundredths, 3);
  return stated * kMsPerHundredth * 100 / kAnimationSpeed;
}

int TGifAnimator::DelayMs() const {
  if (FrameCount() == 0) return 0;
  return FrameDelayMs(gif_.Frames()[frame_]->Delay());
}

bool TGifAnimator::HasNext() const {
  if (FrameCount() < 2) return false;
  const bool lastFrame = frame_ == FrameCount() - 1;
  return !(lastFrame && passes_ > 0 && pass_ >= passes_ - 1);
}

bool TGifAnimator::Step() {
  if (!HasNext()) return false;
  const TGifFrame& shown = *gif_.Frames()[frame_];
  switch (shown.Disposal()) {
    case TGifDisposal::dmBackground: {
      const QRect area = FrameRect(shown);
      QPainter painter(&canvas_);
      painter.fillRect(area, QColor::fromRgb(background_));
      break;
    }
    case TGifDisposal::dmPrevious:
      if (!saved_.isNull()) {
        QPainter painter(&canvas_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(savedRect_.topLeft(), saved_);
      }
      break;
    default:  // none, leave in place, and the reserved values
      break;
  }
  saved_ = QImage();
  if (++frame_ == FrameCount()) {
    // A new pass starts on a clear screen.
    frame_ = 0;
    ++pass_;
    canvas_.fill(background_);
  }
  DrawFrame(frame_);
  return true;
}

QRect TGifAnimator::FrameRect(const TGifFrame& frame) const {
  return QRect(frame.Left(), frame.Top(), frame.Width(), frame.Height()) & canvas_.rect();
}

void TGifAnimator::DrawFrame(int index) {
  const TGifFrame& frame = *gif_.Frames()[index];
  const TGifColorMap& map = frame.ActiveColorMap();
  if (map.Empty()) throw EGifError("No global or local color table defined");
  const QRect area = FrameRect(frame);
  if (frame.Disposal() == TGifDisposal::dmPrevious) {
    saved_ = canvas_.copy(area);
    savedRect_ = area;
  }
  // Indices beyond the map show black.
  QRgb colors[256];
  std::fill(std::begin(colors), std::end(colors), qRgb(0, 0, 0));
  for (int i = 0; i < map.Count(); ++i) {
    const TGifColor& c = map.entries[i];
    colors[i] = qRgb(c.red, c.green, c.blue);
  }
  const int transparent = frame.Transparent() ? frame.TransparentIndex() : -1;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    auto* out = reinterpret_cast<QRgb*>(canvas_.scanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      const uint8_t index = frame.Pixel(x - frame.Left(), y - frame.Top());
      if (index != transparent) out[x] = colors[index];
    }
  }
}

}  // namespace velora::app
