#pragma once
// What the preview draws a still picture from. Making it only reads the graphic and makes
// an image (no widget), so a run's worker thread can make it beside the conversion and
// the window thread just shows it.
#include <QImage>
#include <QRgb>
#include <QSize>
#include <QSizeF>

namespace velora {
class TBitmap;
class TGraphic;
}  // namespace velora

namespace velora::app {

// Where the preview draws: its box in device pixels, the device pixel ratio, whether
// small pictures are enlarged, and the background transparent parts show.
struct PreviewFrame {
  QSize Box;
  qreal Dpr = 1;
  bool Stretch = false;
  QRgb Background = 0;
};

struct PreviewSource {
  bool Made = false;     // false: nothing was made (an animated GIF is drawn as it plays)
  QImage Image;          // upright, over the background; null when the picture draws nothing
  QSize Unturned;        // the image's size before it was turned upright
  bool Reduced = false;  // the image is smaller than the picture
  QSizeF Natural;        // the picture's size as it shows (turned upright)
};

// The device pixels a picture needs to be drawn in the box as it is, or turned by a
// quarter (the upright turn is known only after the picture is made).
QSize NeededSize(QSize picture, QSize box, qreal dpr, bool stretch);

// The drawing of any graphic but a GIF covering at least `needed` pixels; raises what
// the reader raises for pixels it cannot decode.
PreviewSource MakePreviewSource(const TGraphic& graphic, QRgb background, QSize needed);
// The same for a picture drawn in `frame`; never raises (damaged data draws nothing).
PreviewSource MakePreviewSource(const TGraphic& graphic, const PreviewFrame& frame);
// The drawing of a JPEG picture made from its conversion's result (`resized`, upright),
// which saves decoding the file a second time. Nothing is made (Made false) for other
// pictures, or when the result is too small to cover the frame.
PreviewSource MakePreviewFromResult(const TGraphic& graphic, const TBitmap& resized,
                                    const PreviewFrame& frame);

}  // namespace velora::app
