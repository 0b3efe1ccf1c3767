#pragma once
// The picture the preview shows before any other: the product's banner.
#include <QImage>
#include <QRectF>
#include <QRgb>
#include <QSize>

class QPainter;

namespace velora::app {

// The banner's size in pixels.
inline constexpr QSize kBannerSize{348, 230};
// Where the banner's artwork is looked for among the program's resources.
inline constexpr const char* kBannerResource = ":/banner.png";

// The artwork read by the program's own PNG reader and drawn over the background; a null
// image when the resource is missing or does not load.
QImage LoadBannerResource(QRgb background);
// A PNG resource (":/name.png") read by the program's own PNG reader; null when it cannot be.
QImage LoadPngResource(const QString& name, QRgb background);
// The banner drawn in code, for when the artwork is missing: the product's name on a
// panel in the window's header colours, scaled into `target`.
void PaintBannerPlaceholder(QPainter& painter, const QRectF& target);

}  // namespace velora::app
