#include "controls/TicksLabel.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace velora::app {

TTicksLabel::TTicksLabel(const QString& text, QSlider* slider, QWidget* parent)
    : QLabel(text, parent), slider_(slider) {}

void TTicksLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const QStringList numbers = text().split(' ', Qt::SkipEmptyParts);
  if (!slider_ || slider_->maximum() <= slider_->minimum()) {
    painter.drawText(rect(), alignment(), text());
    return;
  }
  // The slider's handle centre runs from half a handle in from its left edge to half a
  // handle in from its right edge.
  const int half = slider_->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, slider_) / 2;
  const int left = mapFromGlobal(slider_->mapToGlobal(QPoint(half, 0))).x();
  const int right = mapFromGlobal(slider_->mapToGlobal(QPoint(slider_->width() - half, 0))).x();
  const double span = slider_->maximum() - slider_->minimum();
  const QFontMetrics metrics(font());
  for (const QString& number : numbers) {
    bool ok = false;
    const int value = number.toInt(&ok);
    if (!ok) continue;
    const int centre =
        left + static_cast<int>((value - slider_->minimum()) / span * (right - left));
    const int width = metrics.horizontalAdvance(number);
    const int x = std::clamp(centre - width / 2, 0, std::max(0, this->width() - width));
    painter.drawText(QRect(x, 0, width, height()), Qt::AlignVCenter | Qt::AlignLeft, number);
  }
}

}  // namespace velora::app
