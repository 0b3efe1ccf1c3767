#include "preview/PreviewImage.h"

#include <QEvent>
#include <QPainter>
#include <cmath>

#include "gif/gifread.h"
#include "preview/gif_animator.h"
#include "preview/preview_banner.h"
#include "preview/preview_convert.h"
#include "preview/preview_fit.h"
#include "preview/preview_source.h"
#include "preview/preview_upright.h"

namespace velora::app {

namespace {

QSize DeviceSize(QSize logical, qreal dpr) {
  return {static_cast<int>(std::floor(logical.width() * dpr)),
          static_cast<int>(std::floor(logical.height() * dpr))};
}

// Device pixels per logical pixel of what is painted on: the screen's ratio, or the
// target's when the widget is rendered into an image of another ratio.
qreal DeviceScale(const QPainter& painter) {
  const QTransform transform = painter.deviceTransform();
  if (transform.type() <= QTransform::TxScale && transform.m11() > 0) return transform.m11();
  return painter.device()->devicePixelRatioF();
}

}  // namespace

TPreviewImage::TPreviewImage(QWidget* parent) : QWidget(parent) {
  // The whole widget is painted every time.
  setAttribute(Qt::WA_OpaquePaintEvent);
  animationTimer_.setSingleShot(true);
  animationTimer_.setTimerType(Qt::PreciseTimer);
  connect(&animationTimer_, &QTimer::timeout, this, &TPreviewImage::StepAnimation);
  picture_.OnChange = [this] { PictureChanged(); };
}

TPreviewImage::~TPreviewImage() {
  animationTimer_.stop();
  animator_.reset();
  picture_.OnChange = nullptr;
}

void TPreviewImage::SetStretch(bool on) {
  if (on == stretch_) return;
  stretch_ = on;
  update();
}

void TPreviewImage::RepaintNow() {
  repaint();
}

int TPreviewImage::AnimationFrame() const {
  return animator_ ? animator_->Frame() : -1;
}

int TPreviewImage::FrameDelay() const {
  return animator_ && animator_->FrameCount() > 1 ? animator_->DelayMs() : 0;
}

QSize TPreviewImage::sizeHint() const {
  return kBannerSize;
}

void TPreviewImage::PictureChanged() {
  DropDrawings();
  update();
}

void TPreviewImage::DropDrawings() {
  animationTimer_.stop();
  animator_.reset();
  source_ = QImage();
  scaled_ = QImage();
  scaledFrom_ = 0;
  sourceReduced_ = false;
  nothingToDraw_ = false;
}

QRgb TPreviewImage::Background() const {
  return palette().color(backgroundRole()).rgb();
}

bool TPreviewImage::StepAnimation() {
  if (!animator_) return false;
  bool advanced = false;
  try {
    advanced = animator_->Step();
  } catch (const std::exception&) {
    // A frame that cannot be drawn ends the animation on the frame before it.
    advanced = false;
  }
  if (!advanced) {
    animationTimer_.stop();
    return false;
  }
  source_ = animator_->Image();
  update();
  ScheduleNextFrame();
  return true;
}

void TPreviewImage::ScheduleNextFrame() {
  if (animator_ && animator_->HasNext() && isVisible()) {
    animationTimer_.start(animator_->DelayMs());
  } else {
    animationTimer_.stop();
  }
}

void TPreviewImage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ScheduleNextFrame();
}

void TPreviewImage::hideEvent(QHideEvent* event) {
  animationTimer_.stop();
  QWidget::hideEvent(event);
}

void TPreviewImage::changeEvent(QEvent* event) {
  // Transparent parts were drawn over the old background.
  if (event->type() == QEvent::PaletteChange) {
    DropDrawings();
    banner_ = QImage();
    bannerLoaded_ = false;
    update();
  }
  QWidget::changeEvent(event);
}

bool TPreviewImage::EnsureSource(QSize box, qreal dpr) {
  if (nothingToDraw_) return false;
  const TGraphic& graphic = *picture_.Graphic();
  const QSize size(graphic.Width(), graphic.Height());
  try {
    if (const auto* gif = dynamic_cast<const TGifPicture*>(&graphic)) {
      if (!animator_) {
        if (gif->IsEmpty()) {
          nothingToDraw_ = true;
          return false;
        }
        animator_ = std::make_unique<TGifAnimator>(*gif, Background());
        source_ = animator_->Image();
        natural_ = size;
        ScheduleNextFrame();
      }
      return true;
    }
    const QSize needed = NeededSize(size, box, dpr, stretch_);
    const bool covers =
        needed.width() <= sourceUnturned_.width() && needed.height() <= sourceUnturned_.height();
    if (!source_.isNull() && (!sourceReduced_ || covers)) return true;
    return UseSource(MakePreviewSource(graphic, Background(), needed));
  } catch (const std::exception&) {
    // Damaged data found only while drawing: the picture stays loaded, nothing shows.
    DropDrawings();
    nothingToDraw_ = true;
    return false;
  }
}

bool TPreviewImage::UseSource(PreviewSource made) {
  if (made.Image.isNull()) {
    nothingToDraw_ = true;
    return false;
  }
  sourceUnturned_ = made.Unturned;
  sourceReduced_ = made.Reduced;
  natural_ = made.Natural;
  source_ = std::move(made.Image);
  return true;
}

PreviewFrame TPreviewImage::Frame() const {
  return {DeviceSize(size(), devicePixelRatioF()), devicePixelRatioF(), stretch_, Background()};
}

void TPreviewImage::ShowPrepared(std::unique_ptr<TGraphic> graphic, PreviewSource source) {
  picture_.SetGraphic(std::move(graphic));
  if (source.Made) UseSource(std::move(source));
}

void TPreviewImage::DrawFitted(QPainter& painter, const QImage& image, QSizeF natural, QSize box,
                               qreal dpr) {
  const QRect target = FitPictureRect(natural * dpr, box, stretch_);
  if (target.isEmpty() || image.isNull()) return;
  if (scaledFrom_ != image.cacheKey() || scaled_.size() != target.size() ||
      scaled_.devicePixelRatio() != dpr) {
    scaled_ = image.size() == target.size()
                  ? image
                  : image.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled_.setDevicePixelRatio(dpr);
    scaledFrom_ = image.cacheKey();
  }
  painter.drawImage(QPointF(target.topLeft()) / dpr, scaled_);
}

void TPreviewImage::PaintBanner(QPainter& painter, QSize box, qreal dpr) {
  if (!bannerLoaded_) {
    banner_ = LoadBannerResource(Background());
    bannerLoaded_ = true;
  }
  if (!banner_.isNull()) {
    DrawFitted(painter, banner_, banner_.size(), box, dpr);
    return;
  }
  const QRect target = FitPictureRect(QSizeF(kBannerSize) * dpr, box, stretch_);
  if (target.isEmpty()) return;
  PaintBannerPlaceholder(painter,
                         QRectF(QPointF(target.topLeft()) / dpr, QSizeF(target.size()) / dpr));
}

void TPreviewImage::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const qreal dpr = DeviceScale(painter);
  painter.fillRect(rect(), QColor::fromRgb(Background()));
  const QSize box = DeviceSize(size(), dpr);
  if (!picture_.Graphic()) {
    PaintBanner(painter, box, dpr);
    return;
  }
  if (EnsureSource(box, dpr)) DrawFitted(painter, source_, natural_, box, dpr);
}

}  // namespace velora::app
