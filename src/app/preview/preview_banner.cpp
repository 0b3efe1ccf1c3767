#include "preview/preview_banner.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "png/pngread.h"
#include "preview/preview_convert.h"
#include "util/stream.h"

namespace velora::app {

namespace {

const char* const kProductName = "Velora Image Resizer";

// A photo card: white border, sky, a hill and a sun.
void PaintPhoto(QPainter& painter, const QRectF& card, const QColor& sky) {
  painter.setPen(QPen(QColor(70, 80, 72), 1.2));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(card, 3, 3);
  const QRectF inner = card.adjusted(6, 6, -6, -6);
  painter.setPen(Qt::NoPen);
  painter.setBrush(sky);
  painter.drawRect(inner);
  painter.setBrush(QColor(250, 204, 80));
  const double sun = inner.height() * 0.22;
  painter.drawEllipse(QPointF(inner.right() - sun * 1.6, inner.top() + sun * 1.5), sun, sun);
  QPainterPath hill;
  hill.moveTo(inner.bottomLeft());
  hill.lineTo(inner.left() + inner.width() * 0.38, inner.top() + inner.height() * 0.42);
  hill.lineTo(inner.left() + inner.width() * 0.62, inner.top() + inner.height() * 0.70);
  hill.lineTo(inner.left() + inner.width() * 0.78, inner.top() + inner.height() * 0.55);
  hill.lineTo(inner.bottomRight());
  hill.closeSubpath();
  painter.setBrush(QColor(92, 140, 96));
  painter.drawPath(hill);
}

}  // namespace

QImage LoadBannerResource(QRgb background) {
  return LoadPngResource(QString::fromLatin1(kBannerResource), background);
}

QImage LoadPngResource(const QString& name, QRgb background) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  try {
    TBytesStream stream(reinterpret_cast<const uint8_t*>(bytes.constData()),
                        static_cast<size_t>(bytes.size()));
    TPngPicture banner;
    banner.LoadFromStream(stream);
    return PngToImage(banner, background);
  } catch (const std::exception&) {
    return {};
  }
}

void PaintBannerPlaceholder(QPainter& painter, const QRectF& target) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.translate(target.topLeft());
  painter.scale(target.width() / kBannerSize.width(), target.height() / kBannerSize.height());
  const QRectF area(0, 0, kBannerSize.width(), kBannerSize.height());

  QLinearGradient panel(area.topLeft(), area.bottomLeft());
  panel.setColorAt(0, QColor(214, 221, 212));
  panel.setColorAt(1, QColor(192, 200, 191));  // the header's colour
  painter.setPen(QPen(QColor(150, 160, 150), 1));
  painter.setBrush(panel);
  painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);

  // A large photo and its smaller copy, with an arrow between them.
  PaintPhoto(painter, QRectF(86, 44, 104, 78), QColor(150, 196, 232));
  PaintPhoto(painter, QRectF(212, 70, 56, 42), QColor(150, 196, 232));
  painter.setPen(QPen(QColor(60, 72, 64), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawLine(QPointF(194, 91), QPointF(206, 91));
  painter.drawPolyline(QPolygonF({QPointF(201, 86), QPointF(206, 91), QPointF(201, 96)}));

  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(26);
  const QString name = QString::fromLatin1(kProductName);
  const double room = area.width() - 32;
  const double width = QFontMetricsF(font).horizontalAdvance(name);
  if (width > room) font.setPixelSize(static_cast<int>(26 * room / width));
  painter.setFont(font);
  painter.setPen(QColor(44, 54, 48));
  painter.drawText(QRectF(0, 140, area.width(), 44), Qt::AlignCenter, name);
  painter.restore();
}

}  // namespace velora::app
