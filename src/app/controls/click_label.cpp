#include "controls/click_label.h"

#include <QMouseEvent>

namespace velora::app {

TClickLabel::TClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  // The caption is shown as it is, never read as markup.
  setTextFormat(Qt::PlainText);
}

void TClickLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mouseReleaseEvent(event);
    return;
  }
  // A press dragged off the label and released elsewhere is no click, as with buttons.
  const bool click = pressed_ && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) emit Click();
}

}  // namespace velora::app
