#include "preview/preview_source.h"

#include "gif/gifread.h"
#include "jpeg/jpeg.h"
#include "picture/orientation.h"
#include "picture/picture.h"
#include "preview/preview_convert.h"
#include "preview/preview_fit.h"
#include "preview/preview_upright.h"

namespace velora::app {

QSize NeededSize(QSize picture, QSize box, qreal dpr, bool stretch) {
  const QSizeF natural = QSizeF(picture) * dpr;
  const QSize asIs = FitPictureRect(natural, box, stretch).size();
  const QSize turned = FitPictureRect(natural.transposed(), box, stretch).size().transposed();
  return asIs.expandedTo(turned);
}

PreviewSource MakePreviewSource(const TGraphic& graphic, QRgb background, QSize needed) {
  PreviewSource made;
  made.Made = true;
  const QSize size(graphic.Width(), graphic.Height());
  QImage image = GraphicToImage(graphic, background, needed);
  if (image.isNull()) return made;
  made.Unturned = image.size();
  made.Reduced = image.size() != size;
  image = TurnUpright(std::move(image), graphic);
  made.Natural = image.size() == made.Unturned ? QSizeF(size) : QSizeF(size.transposed());
  made.Image = std::move(image);
  return made;
}

PreviewSource MakePreviewSource(const TGraphic& graphic, const PreviewFrame& frame) {
  if (dynamic_cast<const TGifPicture*>(&graphic)) return {};
  const QSize needed =
      NeededSize(QSize(graphic.Width(), graphic.Height()), frame.Box, frame.Dpr, frame.Stretch);
  try {
    return MakePreviewSource(graphic, frame.Background, needed);
  } catch (const std::exception&) {
    PreviewSource nothing;
    nothing.Made = true;
    return nothing;
  }
}

PreviewSource MakePreviewFromResult(const TGraphic& graphic, const TBitmap& resized,
                                    const PreviewFrame& frame) {
  if (!dynamic_cast<const TJPEGImage*>(&graphic)) return {};
  const QSize stored(graphic.Width(), graphic.Height());
  const QSize needed = NeededSize(stored, frame.Box, frame.Dpr, frame.Stretch);
  // The result is upright; the preview compares what it draws from in stored sides.
  const bool swaps = SwapsSides(graphic.Orientation());
  const QSize neededUpright = swaps ? needed.transposed() : needed;
  const QSize size(resized.Width(), resized.Height());
  if (size.width() < neededUpright.width() || size.height() < neededUpright.height()) return {};
  PreviewSource made;
  made.Made = true;
  made.Image = BitmapToImage(resized, frame.Background, PreviewReduction(size, neededUpright));
  made.Unturned = swaps ? made.Image.size().transposed() : made.Image.size();
  made.Reduced = true;
  made.Natural = QSizeF(UprightWidth(graphic), UprightHeight(graphic));
  return made;
}

}  // namespace velora::app
