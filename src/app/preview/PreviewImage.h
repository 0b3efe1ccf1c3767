#pragma once
// The window's preview (`imgLoader`): the picture selected in the list or being
// converted, scaled smoothly to fit with its proportions and centred, transparent parts
// over the panel's background, an animated GIF playing. Before the first picture it shows
// the product's banner.
#include <QImage>
#include <QSizeF>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "picture/picture.h"
#include "preview/preview_source.h"

namespace velora::app {

class TGifAnimator;

class TPreviewImage : public QWidget {
  Q_OBJECT

 public:
  explicit TPreviewImage(QWidget* parent = nullptr);
  ~TPreviewImage() override;

  // The picture shown. The window loads it with LoadPictureFile(Picture(), path) and a
  // run hands each converted source to it; the preview follows every change through
  // Picture().OnChange, which therefore belongs to the preview. The preview only reads
  // the picture: what the conversion resamples is never altered.
  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }

  // Pictures larger than the view always shrink to fit, keeping their proportions,
  // centred. With stretch on, smaller ones are enlarged to fit as well.
  void SetStretch(bool on);
  bool Stretch() const { return stretch_; }

  // Paints now, without waiting for the event loop: a run shows each picture's result as
  // it comes, even when several come at once. Nothing happens while hidden.
  void RepaintNow();

  // Where pictures are drawn now, for drawings made on another thread.
  PreviewFrame Frame() const;
  // Shows `graphic` with the drawing made for this preview beforehand (by a run's
  // worker, with Frame()), so nothing is decoded here.
  void ShowPrepared(std::unique_ptr<TGraphic> graphic, PreviewSource source);

  // No picture has been loaded yet: the banner shows.
  bool ShowsBanner() const { return picture_.Graphic() == nullptr; }

  // The animation of a GIF with several frames. It starts when the GIF is first drawn,
  // pauses while the preview is hidden and ends when another picture is loaded.
  bool IsAnimating() const { return animationTimer_.isActive(); }
  // The frame shown, or -1 when no GIF is being drawn.
  int AnimationFrame() const;
  // How long the frame shown stays, in milliseconds (0 when nothing animates).
  int FrameDelay() const;

  QSize sizeHint() const override;

 public slots:
  // Shows the next frame now, as the animation's timer does when the frame's delay has
  // passed. False when there is no next frame.
  bool StepAnimation();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PictureChanged();
  void DropDrawings();
  QRgb Background() const;
  // Makes sure `source_` can show the picture at the size it takes in a box of `box`
  // device pixels; false when there is nothing to draw.
  bool EnsureSource(QSize box, qreal dpr);
  // Takes a drawing made for the picture; false when it draws nothing.
  bool UseSource(PreviewSource made);
  void PaintBanner(QPainter& painter, QSize box, qreal dpr);
  // Draws the image scaled into its place in the box (device pixels).
  void DrawFitted(QPainter& painter, const QImage& image, QSizeF natural, QSize box, qreal dpr);
  void ScheduleNextFrame();

  TPicture picture_;
  bool stretch_ = false;

  // What the picture looks like, at least as large as it is drawn now (reduced when the
  // picture is larger), over the background.
  QImage source_;
  bool sourceReduced_ = false;
  QSize sourceUnturned_;        // the source's size before it was turned upright
  QSizeF natural_;              // the picture's size as it shows (turned upright)
  bool nothingToDraw_ = false;  // the picture draws nothing, or failed to

  // The source at the size drawn, kept until the source or the size changes.
  QImage scaled_;
  qint64 scaledFrom_ = 0;

  QImage banner_;  // the banner artwork, when the program has it
  bool bannerLoaded_ = false;

  std::unique_ptr<TGifAnimator> animator_;
  QTimer animationTimer_;
};

}  // namespace velora::app
